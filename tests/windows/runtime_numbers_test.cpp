// The launcher reads numbers as the C runtime does, without linking it: each part of the version
// text as wcstol(part, nullptr, 16) with Windows' 32-bit long, the value text as _wtoi. Each text
// here is held against the runtime's own answer (msvcrt's, under Wine), not against a value
// written by hand: the digits at both ends of their ranges, signs, blanks, the 0x prefix, and the
// edges where the number stops fitting.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "osinfo/os_version.h"
#include "registry/registry_marker.h"

namespace {

// The texts of a table, one between each pair of bars.
std::vector<std::wstring> Texts(const std::wstring& table) {
  std::vector<std::wstring> texts;
  for (std::size_t at = 1, end; (end = table.find(L'|', at)) != std::wstring::npos; at = end + 1)
    texts.push_back(table.substr(at, end - at));
  return texts;
}

}  // namespace

TEST(RuntimeNumbers, VersionPartsReadAsWcstolInBase16) {
  for (const std::wstring& text : Texts(
           L"|0|9|a|f|A|F|g|G|/|:|@|`|19|af|AF|fg|-1|-f|+7| \t\r\n\v\f5|- 5|0x|0xg|0x1|0X1f|-0x10|"
           L"00x1|0x0x1|7fffffff|7FFFFFFF|80000000|-7fffffff|-80000000|-80000001|ffffffff|"
           L"100000000|ffffffffffffffffff|")) {
    SCOPED_TRACE(testing::PrintToString(text));
    // The part is the minor number, so that the whole 16 bits it keeps are compared.
    OSVersionCode code = 0;
    ASSERT_TRUE(ParseOSVersionText((L"0." + text).c_str(), 9, &code));
    const auto read = static_cast<std::uint32_t>(std::wcstol(text.c_str(), nullptr, 16));
    EXPECT_EQ(code, PackOSVersionCode(0, read, 9));
  }
}

// Past 2147483647 the launcher keeps the text's 32-bit pattern up to 4294967295, where the
// runtime would stop at INT_MAX; the host tests pin that range.
TEST(RuntimeNumbers, ValueTextsReadAsWtoi) {
  for (const std::wstring& text :
       Texts(L"|0|9|/|:|42abc|+42|-42| \t\r\n\v\f42|- 1|+|-|Unknow||2147483647|-2147483647|"
             L"-2147483648|-2147483649|-99999999999999999999|")) {
    SCOPED_TRACE(testing::PrintToString(text));
    EXPECT_EQ(RegValueFromText(text.c_str()), static_cast<std::uint32_t>(_wtoi(text.c_str())));
  }
}
