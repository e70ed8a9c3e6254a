// The launcher reads numbers as the C runtime does, without linking it: each part of the version
// text as wcstol(part, nullptr, 16) with Windows' 32-bit long, the value text as _wtoi. Each text
// here is held against the runtime's own answer (msvcrt's, under Wine), not against a value
// written by hand: the digits at both ends of their ranges, signs, blanks, the 0x prefix, and the
// edges where the number stops fitting.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "osinfo/os_version.h"
#include "registry/registry_marker.h"

TEST(RuntimeNumbers, VersionPartsReadAsWcstolInBase16) {
  const wchar_t* const texts[] = {
      L"0",
      L"9",
      L"a",
      L"f",
      L"A",
      L"F",
      L"g",
      L"G",
      L"/",
      L":",
      L"@",
      L"`",
      L"19",
      L"af",
      L"AF",
      L"fg",
      L"-1",
      L"-f",
      L"+7",
      L" \t\r\n\v\f5",
      L"- 5",
      L"0x",
      L"0xg",
      L"0x1",
      L"0X1f",
      L"-0x10",
      L"00x1",
      L"0x0x1",
      L"7fffffff",
      L"7FFFFFFF",
      L"80000000",
      L"-7fffffff",
      L"-80000000",
      L"-80000001",
      L"ffffffff",
      L"100000000",
      L"ffffffffffffffffff",
  };
  for (const wchar_t* text : texts) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(text)));
    // The part is the minor number, so that the whole 16 bits it keeps are compared.
    const std::wstring version = L"0." + std::wstring(text);
    OSVersionCode code = 0;
    ASSERT_TRUE(ParseOSVersionText(version.c_str(), 9, &code));
    EXPECT_EQ(code,
              PackOSVersionCode(0, static_cast<std::uint32_t>(std::wcstol(text, nullptr, 16)), 9));
  }
}

// Past 2147483647 the launcher keeps the text's 32-bit pattern up to 4294967295, where the
// runtime would stop at INT_MAX; the host tests pin that range.
TEST(RuntimeNumbers, ValueTextsReadAsWtoi) {
  const wchar_t* const texts[] = {
      L"0",
      L"9",
      L"/",
      L":",
      L"42abc",
      L"+42",
      L"-42",
      L" \t\r\n\v\f42",
      L"- 1",
      L"+",
      L"-",
      L"Unknow",
      L"",
      L"2147483647",
      L"-2147483647",
      L"-2147483648",
      L"-2147483649",
      L"-99999999999999999999",
  };
  for (const wchar_t* text : texts) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(text)));
    EXPECT_EQ(RegValueFromText(text), static_cast<std::uint32_t>(_wtoi(text)));
  }
}
