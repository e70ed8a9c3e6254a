#include "registry/registry_marker.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <tuple>

#include "fake_registry.h"
#include "recording_trace.h"

namespace {

enum class Key { kMissing, kExisting, kCreateFails, kSetFails };

}  // namespace

TEST(WriteRegMarker, ArchitectureChoosesTheTargetAndEachStepIsTraced) {
  const std::wstring x64 = L"m_szReg64KeyPath K64|Not find|szRegPath K64|WriteToReg|X64";
  const std::wstring wow = L"m_szReg64KeyPath S\\Wow6432Node\\";
  const std::tuple<OSVersionCode, Key, const wchar_t*, std::wstring, std::wstring> rows[] = {
      {0x06010000, Key::kExisting, L"K64", L"WriteToReg|win 7 Write VUZA Value",
       L"open K32 0x2001f|set N=32|close"},
      {0x06010000, Key::kMissing, L"K64", L"WriteToReg|Write VUZA Value",
       L"open K32 0x2001f|create K32 0x2001f|set N=32|close"},
      {0x06010000, Key::kCreateFails, L"K64", L"WriteToReg",
       L"open K32 0x2001f|create K32 0x2001f"},
      {0x06010009, Key::kExisting, L"K64", x64 + L"|open|Write VUZA Value",
       L"disable|open K64 0x2011f|set N=64|close|revert saved"},
      {0x06010009, Key::kMissing, L"K64", x64 + L"|create|Write VUZA Value",
       L"disable|open K64 0x2011f|create K64 0x2011f|set N=64|close|revert saved"},
      {0x06010009, Key::kSetFails, L"K64", x64 + L"|open",
       L"disable|open K64 0x2011f|set N=64|close|revert saved"},
      // "Wow6432Node\" names the 32-bit view: the process's own, redirection left on.
      {0x06010009, Key::kMissing, L"S\\Wow6432Node\\A",
       wow + L"A|S\\A|szRegPath S\\A|WriteToReg|X64|create|Write VUZA Value",
       L"open S\\A 0x2001f|create S\\A 0x2001f|set N=64|close|revert null"},
      {0x06010009, Key::kExisting, L"S\\Wow6432Node\\Wow6432Node\\A",
       wow + L"Wow6432Node\\A|S\\Wow6432Node\\A|szRegPath S\\Wow6432Node\\A|WriteToReg|X64|open|"
             L"Write VUZA Value",
       L"open S\\Wow6432Node\\A 0x2001f|set N=64|close|revert null"},
      {0x06010009, Key::kMissing, L"S\\wow6432node\\A",
       L"m_szReg64KeyPath S\\wow6432node\\A|Not find|szRegPath S\\wow6432node\\A|WriteToReg|X64|"
       L"create|Write VUZA Value",
       L"disable|open S\\wow6432node\\A 0x2011f|create S\\wow6432node\\A 0x2011f|set N=64|close|"
       L"revert saved"},
      // A key path missing from the INI file: no HKLM\\Unknow is made.
      {0x06010009, Key::kExisting, L"Unknow", L"No registry target in the INI file", L""},
      // Nor is the root of HKLM written, whether the path is empty or becomes so.
      {0x06010009, Key::kExisting, L"", L"No registry target in the INI file", L""},
      {0x06010009, Key::kExisting, L"Wow6432Node\\",
       L"m_szReg64KeyPath Wow6432Node\\|No registry target in the INI file", L""},
      {kOSProbeFailed, Key::kExisting, L"K64", L"", L""},
      {0x06010006, Key::kExisting, L"K64", L"", L""},  // Itanium
  };
  for (const auto& row : rows) {
    const auto& [code, key, path64, lines, calls] = row;
    SCOPED_TRACE(&row - rows);
    LauncherState state;
    std::wcscpy(state.settings.m_szReg32KeyPath, L"K32");
    std::wcscpy(state.settings.m_szReg32KeyName, L"N");
    std::wcscpy(state.settings.m_szReg32KeyValue, L"32");
    std::wcscpy(state.settings.m_szReg64KeyPath, path64);
    std::wcscpy(state.settings.m_szReg64KeyName, L"N");
    std::wcscpy(state.settings.m_szReg64KeyValue, L"64");
    FakeRegistry registry;
    if (key == Key::kExisting || key == Key::kSetFails) {
      registry.existing = {L"K32", L"K64", L"S\\Wow6432Node\\A"};
    }
    registry.failCreate = key == Key::kCreateFails;
    registry.failSet = key == Key::kSetFails;
    RecordingTrace trace;
    WriteRegMarker(state, registry, trace, code);
    EXPECT_EQ(Joined(trace.lines), lines);
    EXPECT_EQ(Joined(registry.calls), calls);
    EXPECT_TRUE(registry.openKeys.empty());
    EXPECT_FALSE(registry.redirectionOff);
  }
}

TEST(WriteRegMarker, WritesNothingWhenTheTargetsValueNameIsMissing) {
  LauncherState state;
  std::wcscpy(state.settings.m_szReg32KeyPath, L"K32");
  std::wcscpy(state.settings.m_szReg32KeyName, L"Unknow");
  FakeRegistry registry;
  RecordingTrace trace;
  WriteRegMarker(state, registry, trace, 0x06010000);
  EXPECT_EQ(Joined(trace.lines), L"No registry target in the INI file");
  EXPECT_TRUE(registry.calls.empty());
}

TEST(RegValueFromText, ReadsLeadingDecimalAsItsDwordPattern) {
  const std::pair<const wchar_t*, std::uint32_t> rows[] = {
      {L" 42abc", 42},
      {L"-1", 0xFFFFFFFF},
      {L"Unknow", 0},
      {L"4294967295", 0xFFFFFFFF},
      {L"99999999999", 0xFFFFFFFF},  // beyond: the nearer end
      {L"-99999999999", 0x80000000},
  };
  for (const auto& [text, value] : rows) EXPECT_EQ(RegValueFromText(text), value) << text;
}
