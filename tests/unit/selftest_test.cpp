// The self-test's own logic: the trace it expects when a key is already there or the setup
// program really starts, where a value lies for each form of key path, and its report forms.

#include <gtest/gtest.h>

#include "lib/ini/ini_reader.h"
#include "tools/selftest/expected_run.h"
#include "tools/selftest/report.h"

namespace {

CasePlan PlanOf(const std::string& ini, OSVersionCode code) {
  const IniReader reader = IniReader::FromBytes(ini);
  const std::optional<std::filesystem::path> folder;
  const std::wstring file = L"C:\\m\\Perinax.ini", args = L"/q";
  return PlanOsCode(code, {reader, folder, file, args});
}

std::string Target(const std::string& path64) {
  return "[Default]\r\nSetupFile=setup.exe\r\nRegPath32KeyPath=SOFTWARE\\A\r\nRegPath32KeyName="
         "N\r\n"
         "RegPath32KeyValue=5\r\nRegPath64KeyPath=" +
         path64 + "\r\nRegPath64KeyName=N\r\nRegPath64KeyValue=5\r\n";
}

std::wstring Same(const std::wstring& text) {
  return text;
}

}  // namespace

TEST(SelfTestExpectation, AnExistingKeyIsOpenedAndAStartedProgramEndsTheTrace) {
  const CasePlan x64 = PlanOf(Target("SOFTWARE\\A"), 0x06010009);
  const std::vector<std::wstring> opened = ExpectedTrace(x64, true, 3010u, L"/q");
  EXPECT_NE(std::find(opened.begin(), opened.end(), L"open"), opened.end());
  EXPECT_EQ(std::find(opened.begin(), opened.end(), L"create"), opened.end());
  EXPECT_EQ(
      std::vector(opened.end() - 3, opened.end()),
      (std::vector<std::wstring>{L"CreateProcess", L"WaitForSingleObject", L"Exit Code 3010"}));
  const std::vector<std::wstring> x86 =
      ExpectedTrace(PlanOf(Target("SOFTWARE\\A"), 0x06010000), true, std::nullopt, L"/q");
  EXPECT_NE(std::find(x86.begin(), x86.end(), L"win 7 Write VUZA Value"), x86.end());
  EXPECT_EQ(std::vector(x86.end() - 2, x86.end()),
            (std::vector<std::wstring>{L"Setup CMD /q", L"Setup CMD /q"}));
}

TEST(SelfTestExpectation, EachFormOfKeyPathLiesInItsStorage) {
  const struct {
    std::string path;
    OSVersionCode code;
    std::optional<StoredValue> stored;
  } rows[] = {
      {"SOFTWARE\\A", 0x06010009, StoredValue{RegistryView::k64, L"SOFTWARE\\A", L"N", 5}},
      {"SOFTWARE\\Wow6432Node\\A", 0x06010009,
       StoredValue{RegistryView::k32, L"SOFTWARE\\A", L"N", 5}},
      // Written as it stands in the 64-bit view, which leads it to the 32-bit storage.
      {"SOFTWARE\\wow6432node\\A", 0x06010009,
       StoredValue{RegistryView::k32, L"SOFTWARE\\A", L"N", 5}},
      {"SOFTWARE\\Wow6432Node\\A", 0x06010000,
       StoredValue{RegistryView::kOnlyView, L"SOFTWARE\\A", L"N", 5}},
      {"SOFTWARE\\A", 0x0A00000C, std::nullopt},  // ARM64: nothing written
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path + " " + std::to_string(row.code));
    EXPECT_EQ(StoredValueOf(PlanOf(Target(row.path), row.code)), row.stored);
  }
}

TEST(SelfTestExpectation, TheFirstDifferingLineIsNamedAndAnsiLinesAreTripped) {
  EXPECT_EQ(TraceDifference({L"a", L"b"}, {L"a", L"b"}, {}, &Same), L"");
  EXPECT_EQ(TraceDifference({L"a", L"b"}, {L"a"}, {}, &Same),
            L"trace line 2: expected \"b\", traced nothing");
  const auto upper = [](const std::wstring&) { return std::wstring(L"X"); };
  EXPECT_EQ(TraceDifference({L"a"}, {L"X"}, {true}, +upper), L"");
}

TEST(SelfTestReport, JUnitHoldsEveryTestWithItsFailureEscaped) {
  const std::vector<TestOutcome> outcomes = {{L"one", L"", 0.5}, {L"two <\"&>", L"why\x01 <b>", 1}};
  const std::string xml = JUnitXml(outcomes, L"perinax-selftest");
  EXPECT_NE(xml.find("tests=\"2\" failures=\"1\" errors=\"0\" time=\"1.500\""), std::string::npos);
  EXPECT_NE(xml.find("name=\"two &lt;&quot;&amp;&gt;\""), std::string::npos);
  EXPECT_NE(xml.find("<failure message=\"why &lt;b&gt;\">why &lt;b&gt;</failure>"),
            std::string::npos);
  EXPECT_EQ(SummaryLine(outcomes), L"1 passed, 1 failed");
  const std::string log = TraceLogRecords(outcomes, {}, 1, 2);
  EXPECT_NE(log.find("<![LOG[FAIL  two <\"&>: why  <b>]LOG]!>"), std::string::npos);
  EXPECT_NE(log.find("component=\"PerinaxSelfTest\" context=\"\" type=\"3\""), std::string::npos);
}
