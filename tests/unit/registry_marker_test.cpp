#include "registry/registry_marker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_registry.h"
#include "recording_trace.h"

namespace {

using Texts = std::vector<std::wstring>;

constexpr OSVersionCode kWin7X86 = 0x06010000u;
constexpr OSVersionCode kWin7X64 = 0x06010009u;

void SetField(wchar_t* field, const std::wstring& text) {
  ASSERT_LT(text.size(), kSettingChars);
  text.copy(field, text.size());
  field[text.size()] = L'\0';
}

LauncherState StateWith(const std::wstring& path64) {
  LauncherState state;
  SetField(state.settings.m_szReg32KeyPath, L"SOFTWARE\\A32");
  SetField(state.settings.m_szReg32KeyName, L"Name32");
  SetField(state.settings.m_szReg32KeyValue, L"32");
  SetField(state.settings.m_szReg64KeyPath, path64);
  SetField(state.settings.m_szReg64KeyName, L"Name64");
  SetField(state.settings.m_szReg64KeyValue, L"64");
  return state;
}

}  // namespace

TEST(WriteRegMarker, ArchitectureChoosesTheTargetViewAndTrace) {
  const Texts x64Head = {L"m_szReg64KeyPath SOFTWARE\\A64", L"Not find", L"szRegPath SOFTWARE\\A64",
                         L"WriteToReg", L"X64"};
  struct Row {
    OSVersionCode code;
    bool keyExists;
    Texts calls;
    Texts lines;
    std::uint32_t viewFlag;
  };
  const std::vector<Row> rows = {
      {kWin7X86,
       true,
       {L"open SOFTWARE\\A32 0x2001f", L"set Name32=32", L"close"},
       {L"WriteToReg", L"win 7 Write VUZA Value"},
       0},
      {kWin7X86,
       false,
       {L"open SOFTWARE\\A32 0x2001f", L"create SOFTWARE\\A32 0x2001f", L"set Name32=32", L"close"},
       {L"WriteToReg", L"Write VUZA Value"},
       0},
      {kWin7X64,
       true,
       {L"disable", L"open SOFTWARE\\A64 0x2011f", L"set Name64=64", L"close", L"revert saved"},
       {x64Head[0], x64Head[1], x64Head[2], x64Head[3], x64Head[4], L"open", L"Write VUZA Value"},
       0x100},
      {kWin7X64,
       false,
       {L"disable", L"open SOFTWARE\\A64 0x2011f", L"create SOFTWARE\\A64 0x2011f",
        L"set Name64=64", L"close", L"revert saved"},
       {x64Head[0], x64Head[1], x64Head[2], x64Head[3], x64Head[4], L"create", L"Write VUZA Value"},
       0x100},
      // A failed probe, Itanium and anything else: no registry call, no trace.
      {kOSProbeFailed, false, {}, {}, 0},
      {0x06010006u, false, {}, {}, 0},
      {0x0601000Cu, false, {}, {}, 0},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    LauncherState state = StateWith(L"SOFTWARE\\A64");
    FakeRegistry registry;
    if (rows[i].keyExists) registry.existing = {L"SOFTWARE\\A32", L"SOFTWARE\\A64"};
    RecordingTrace trace;
    WriteRegMarker(state, registry, trace, rows[i].code);
    EXPECT_EQ(registry.calls, rows[i].calls);
    EXPECT_EQ(trace.lines, rows[i].lines);
    EXPECT_EQ(state.registryView.m_dwRegViewFlag, rows[i].viewFlag);
    EXPECT_TRUE(registry.openKeys.empty());
  }
}

TEST(WriteRegMarker, X64PathWithWow6432NodeLosesTheFirstOneAndKeepsTheProcessView) {
  struct Row {
    std::wstring path;
    std::wstring written;
  };
  const std::vector<Row> rows = {
      {L"SOFTWARE\\Wow6432Node\\A\\B", L"SOFTWARE\\A\\B"},
      {L"SOFTWARE\\Wow6432Node\\Wow6432Node\\B", L"SOFTWARE\\Wow6432Node\\B"},
      {L"Wow6432Node\\A\\Wow6432Node\\", L"A\\Wow6432Node\\"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.path));
    LauncherState state = StateWith(row.path);
    FakeRegistry registry;
    RecordingTrace trace;
    WriteRegMarker(state, registry, trace, kWin7X64);
    EXPECT_EQ(std::wstring(state.settings.m_szReg64KeyPath), row.written);
    EXPECT_EQ(registry.calls,
              (Texts{L"open " + row.written + L" 0x2001f", L"create " + row.written + L" 0x2001f",
                     L"set Name64=64", L"close", L"revert null"}));
    EXPECT_EQ(trace.lines,
              (Texts{L"m_szReg64KeyPath " + row.path, row.written, L"szRegPath " + row.written,
                     L"WriteToReg", L"X64", L"create", L"Write VUZA Value"}));
    EXPECT_EQ(state.registryView.m_dwRegViewFlag, 0u);
  }
  // Spelled in another case, or without its backslash, the node is not recognised.
  for (const std::wstring path : {L"SOFTWARE\\wow6432node\\A", L"SOFTWARE\\Wow6432Node"}) {
    SCOPED_TRACE(testing::PrintToString(path));
    LauncherState state = StateWith(path);
    FakeRegistry registry;
    RecordingTrace trace;
    WriteRegMarker(state, registry, trace, kWin7X64);
    EXPECT_EQ(std::wstring(state.settings.m_szReg64KeyPath), path);
    ASSERT_GE(trace.lines.size(), 3u);
    EXPECT_EQ(trace.lines[1], L"Not find");
    EXPECT_EQ(registry.calls[1], L"open " + path + L" 0x2011f");
  }
}

TEST(WriteRegMarker, FailedCreateEndsSilentlyAndFailedSetStillCloses) {
  struct Row {
    OSVersionCode code;
    bool keyExists;
    bool failCreate;
    std::wstring lastLine;
    Texts lastCalls;
  };
  const std::vector<Row> rows = {
      {kWin7X86, false, true, L"WriteToReg", {L"create SOFTWARE\\A32 0x2001f"}},
      {kWin7X86, false, false, L"WriteToReg", {L"set Name32=32", L"close"}},
      {kWin7X86, true, false, L"WriteToReg", {L"set Name32=32", L"close"}},
      {kWin7X64, false, true, L"X64", {L"create SOFTWARE\\A64 0x2011f", L"revert saved"}},
      {kWin7X64, false, false, L"create", {L"set Name64=64", L"close", L"revert saved"}},
      {kWin7X64, true, false, L"open", {L"set Name64=64", L"close", L"revert saved"}},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    LauncherState state = StateWith(L"SOFTWARE\\A64");
    FakeRegistry registry;
    if (rows[i].keyExists) registry.existing = {L"SOFTWARE\\A32", L"SOFTWARE\\A64"};
    registry.failCreate = rows[i].failCreate;
    registry.failSet = !rows[i].failCreate;
    RecordingTrace trace;
    WriteRegMarker(state, registry, trace, rows[i].code);
    EXPECT_EQ(trace.lines.back(), rows[i].lastLine);
    const Texts last(registry.calls.end() - rows[i].lastCalls.size(), registry.calls.end());
    EXPECT_EQ(last, rows[i].lastCalls);
    EXPECT_TRUE(registry.openKeys.empty());
    EXPECT_FALSE(registry.redirectionOff);
  }
}

TEST(WriteRegMarker, LongPathIsCutInTheTraceButWhollyUsedForTheRegistry) {
  const std::wstring path = L"SOFTWARE\\" + std::wstring(kSettingChars - 1 - 9, L'k');
  LauncherState state = StateWith(path);
  SetField(state.settings.m_szReg64KeyValue, L"-1");
  FakeRegistry registry;
  RecordingTrace trace;
  WriteRegMarker(state, registry, trace, kWin7X64);
  ASSERT_GE(trace.lines.size(), 3u);
  EXPECT_EQ(trace.lines[0], (L"m_szReg64KeyPath " + path).substr(0, kTraceLineChars - 1));
  EXPECT_EQ(trace.lines[2], (L"szRegPath " + path).substr(0, kTraceLineChars - 1));
  EXPECT_EQ(registry.calls[2], L"create " + path + L" 0x2011f");
  EXPECT_EQ(registry.calls[3], L"set Name64=4294967295");
}

TEST(RegValueFromText, ReadsLeadingDecimalAndStoresIts32BitPattern) {
  struct Row {
    const wchar_t* text;
    std::uint32_t expected;
  };
  const Row rows[] = {
      {L" 42abc", 42u},
      {L"\t\r\n+7", 7u},
      {L"-1", 0xFFFFFFFFu},
      {L"Unknow", 0u},
      {L"", 0u},
      {L"- 5", 0u},
      {L"0x10", 0u},
      {L"2147483648", 0x80000000u},
      {L"4294967295", 0xFFFFFFFFu},
      {L"-2147483648", 0x80000000u},
      // Out of range: the nearer end of what can be stored.
      {L"4294967296", 0xFFFFFFFFu},
      {L"99999999999", 0xFFFFFFFFu},
      {L"-2147483649", 0x80000000u},
      {L"-99999999999", 0x80000000u},
      {L"000000000000000000000000000012", 12u},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.text)));
    EXPECT_EQ(RegValueFromText(row.text), row.expected);
  }
}
