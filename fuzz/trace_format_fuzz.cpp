#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "common/trace.h"
#include "fuzz_support.h"
#include "recording_trace.h"

namespace {

// Fuzzed literal text for the format. A '%' that could begin a directive, or
// that ends the piece (a directive follows), is doubled so that the arguments
// always match; any other '%' stays single and is printed as written. Appends
// to `shown` what the formatter must print for the piece.
std::wstring Literal(FuzzedDataProvider& input, std::wstring* shown) {
  const std::wstring raw = WideText(input.ConsumeRandomLengthString(80));
  std::wstring format;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    format.push_back(raw[i]);
    const wchar_t next = i + 1 < raw.size() ? raw[i + 1] : L'\0';
    if (raw[i] == L'%' && std::wstring_view(L"\0ldx%", 5).find(next) != std::wstring_view::npos) {
      format.push_back(L'%');
    }
  }
  *shown += raw;
  return format;
}

}  // namespace

// A line of fuzzed text around one %ls, %d and 0x%x each, with fuzzed values,
// formatted into a buffer of fuzzed capacity and compared with the line built
// here; ASan catches any write past the buffer.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto capacity = input.ConsumeIntegralInRange<std::size_t>(1, 300);
  const int number = input.ConsumeIntegral<int>();
  const unsigned hex = input.ConsumeIntegral<unsigned>();
  const std::wstring text = WideText(input.ConsumeRandomLengthString(600));

  std::wstring expected;
  std::wstring format = Literal(input, &expected) + L"%ls";
  expected += text;
  format += Literal(input, &expected) + L"%d";
  expected += std::to_wstring(number);
  format += Literal(input, &expected) + L"0x%x";
  wchar_t hexText[16] = {};
  std::swprintf(hexText, 16, L"0x%x", hex);
  expected += hexText;
  format += Literal(input, &expected);

  std::vector<wchar_t> buffer(capacity, L'#');
  const std::size_t length =
      FormatTraceLine(buffer.data(), capacity, format.c_str(), text.c_str(), number, hex);
  const std::size_t kept = std::min(expected.size(), capacity - 1);
  FUZZ_CHECK(length == kept);
  FUZZ_CHECK(buffer[kept] == L'\0');
  FUZZ_CHECK(expected.compare(0, kept, buffer.data(), kept) == 0);

  RecordingTrace trace;
  TraceFormatted(trace, format.c_str(), text.c_str(), number, hex);
  FUZZ_CHECK(trace.lines.size() == 1);
  FUZZ_CHECK(trace.lines[0] == expected.substr(0, kTraceLineChars - 1));
  return 0;
}
