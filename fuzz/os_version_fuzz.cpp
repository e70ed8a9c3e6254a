#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "osinfo/os_version.h"

namespace {

// The dot-separated components, with runs of dots separating like one.
std::vector<std::wstring> Components(const std::wstring& text) {
  std::vector<std::wstring> parts;
  for (std::size_t start = 0, dot = 0; start <= text.size(); start = dot + 1) {
    dot = std::min(text.find(L'.', start), text.size());
    if (dot > start) parts.push_back(text.substr(start, dot - start));
  }
  return parts;
}

// strtoll in base 16, narrowed the way a 32-bit long saturates; only asked about ASCII text, where
// the C library and the Windows runtime read alike.
std::uint32_t ReferenceHexLong(const std::wstring& component) {
  const long long value =
      std::strtoll(std::string(component.begin(), component.end()).c_str(), nullptr, 16);
  return static_cast<std::uint32_t>(
      std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

}  // namespace

// The first byte is the native architecture, the rest the WMI version text in UTF-16LE.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint16_t architecture = data[0];
  const std::wstring text = WideText(data + 1, size - 1);
  const std::vector<std::wstring> parts = Components(text);
  OSVersionCode parsed = 0;
  FUZZ_CHECK(ParseOSVersionText(text.c_str(), architecture, &parsed) == (parts.size() >= 2));
  if (parts.size() < 2) return 0;
  FUZZ_CHECK(ArchitectureOf(parsed) == architecture);
  const std::wstring both = parts[0] + parts[1];
  if (std::all_of(both.begin(), both.end(), [](wchar_t c) { return c < 0x80; })) {
    FUZZ_CHECK(parsed == PackOSVersionCode(ReferenceHexLong(parts[0]), ReferenceHexLong(parts[1]),
                                           architecture));
  }
  return 0;
}
