#include "common/command_line.h"
#include "fuzz_support.h"

// The input is a whole command line in UTF-16LE. The argument text must lie in it, after a program
// name that ends at the first character up to U+0020 met outside double quotes, and after every
// separator that follows the name.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring line = WideText(data, size);
  const wchar_t* rest = ArgumentText(line.c_str());
  FUZZ_CHECK(rest >= line.c_str() && rest <= line.c_str() + line.size());
  const auto at = static_cast<std::size_t>(rest - line.c_str());

  std::size_t nameEnd = 0;
  bool quoted = false;
  for (; nameEnd < at && (quoted || line[nameEnd] > L' '); ++nameEnd) {
    if (line[nameEnd] == L'"') quoted = !quoted;
  }
  // Only a name that runs to the end of the line may reach the result unended.
  FUZZ_CHECK(nameEnd < at || at == line.size());
  for (std::size_t i = nameEnd; i < at; ++i) FUZZ_CHECK(line[i] <= L' ');
  FUZZ_CHECK(at == line.size() || line[at] > L' ');
  return 0;
}
