#include "registry/registry_marker.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <tuple>

#include "fake_registry.h"
#include "recording_trace.h"

TEST(WriteRegMarker, ArchitectureChoosesTheTargetAndEachStepIsTraced) {
  enum Key { kMissing, kExisting, kCreateFails, kSetFails };
  auto x64 = [](const std::wstring& path) {
    return L"m_szReg64KeyPath " + path + L"|Not find|szRegPath " + path + L"|WriteToReg|X64";
  };
  const std::wstring wow = L"m_szReg64KeyPath S\\Wow6432Node\\";
  const std::wstring none = L"No registry target in the INI file";
  // The 32-bit target is K32, N, 32; the x64 target the path and name given, and 64.
  const std::tuple<OSVersionCode, Key, const wchar_t*, const wchar_t*, std::wstring, std::wstring>
      rows[] = {
          {0x06010000, kExisting, L"K64", L"N", L"WriteToReg|win 7 Write VUZA Value",
           L"open K32 0x2001f|set N=32|close"},
          {0x06010000, kMissing, L"K64", L"N", L"WriteToReg|Write VUZA Value",
           L"open K32 0x2001f|create K32 0x2001f|set N=32|close"},
          {0x06010000, kCreateFails, L"K64", L"N", L"WriteToReg",
           L"open K32 0x2001f|create K32 0x2001f"},
          {0x06010009, kExisting, L"K64", L"N", x64(L"K64") + L"|open|Write VUZA Value",
           L"disable|open K64 0x2011f|set N=64|close|revert saved"},
          {0x06010009, kMissing, L"K64", L"", x64(L"K64") + L"|create|Write VUZA Value",
           L"disable|open K64 0x2011f|create K64 0x2011f|set =64|close|revert saved"},
          {0x06010009, kSetFails, L"K64", L"N", x64(L"K64") + L"|open",
           L"disable|open K64 0x2011f|set N=64|close|revert saved"},
          // "Wow6432Node\" names the 32-bit view: the process's own, redirection left on.
          {0x06010009, kMissing, L"S\\Wow6432Node\\A", L"N",
           wow + L"A|S\\A|szRegPath S\\A|WriteToReg|X64|create|Write VUZA Value",
           L"open S\\A 0x2001f|create S\\A 0x2001f|set N=64|close|revert null"},
          {0x06010009, kExisting, L"S\\Wow6432Node\\Wow6432Node\\A", L"N",
           wow + L"Wow6432Node\\A|S\\Wow6432Node\\A|szRegPath S\\Wow6432Node\\A|WriteToReg|X64|"
                 L"open|Write VUZA Value",
           L"open S\\Wow6432Node\\A 0x2001f|set N=64|close|revert null"},
          // A key path or value name missing from the INI file: no HKLM\\Unknow is made,
          // nor is the root of HKLM written, whether the path is empty or becomes so.
          {0x06010009, kExisting, L"Unknow", L"N", none, L""},
          {0x06010009, kExisting, L"K64", L"Unknow", none, L""},
          {0x06010009, kExisting, L"", L"N", none, L""},
          {0x06010009, kExisting, L"Wow6432Node\\", L"N", L"m_szReg64KeyPath Wow6432Node\\|" + none,
           L""},
          // ARM64, like Itanium or a failed probe: emulated programs see x86 or x64.
          {0x0601000C, kExisting, L"K64", L"N", L"", L""},
      };
  for (const auto& row : rows) {
    const auto& [code, key, path64, name64, lines, calls] = row;
    SCOPED_TRACE(&row - rows);
    LauncherState state;
    std::wcscpy(state.settings.m_szReg32KeyPath, L"K32");
    std::wcscpy(state.settings.m_szReg32KeyName, L"N");
    std::wcscpy(state.settings.m_szReg32KeyValue, L"32");
    std::wcscpy(state.settings.m_szReg64KeyPath, path64);
    std::wcscpy(state.settings.m_szReg64KeyName, name64);
    std::wcscpy(state.settings.m_szReg64KeyValue, L"64");
    FakeRegistry registry;
    if (key == kExisting || key == kSetFails) {
      registry.existing = {L"K32", L"K64", L"S\\Wow6432Node\\A"};
    }
    registry.failCreate = key == kCreateFails;
    registry.failSet = key == kSetFails;
    RecordingTrace trace;
    WriteRegMarker(state, registry, trace, code);
    EXPECT_EQ(Joined(trace.lines), lines);
    EXPECT_EQ(Joined(registry.calls), calls);
  }
}

// As _wtoi reads: blanks, a sign, the digits up to the first other character; then the
// 32-bit pattern from -2147483648 to 4294967295, and the nearer end beyond.
TEST(RegValueFromText, ReadsLeadingDecimalAsItsDwordPattern) {
  const std::pair<const wchar_t*, std::uint32_t> rows[] = {
      {L" \t\r\n\v\f42abc", 42},
      {L"+42", 42},
      {L"Unknow", 0},
      {L"- 1", 0},
      {L"-1", 0xFFFFFFFF},
      {L"4294967295", 0xFFFFFFFF},
      {L"-2147483648", 0x80000000},
      {L"4294967296", 0xFFFFFFFF},
      {L"99999999999999999999999", 0xFFFFFFFF},
      {L"-2147483649", 0x80000000},
  };
  for (const auto& [text, value] : rows) EXPECT_EQ(RegValueFromText(text), value) << text;
}
