#include "osinfo/os_version.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_os_probe.h"
#include "recording_trace.h"

namespace {

using Calls = std::vector<std::string>;
using Lines = std::vector<std::wstring>;

const Calls kSteps = {"InitializeCom", "InitializeSecurity", "CreateLocator",
                      "ConnectServer", "SetProxyBlanket",    "ExecQuery"};
const Calls kReleaseAll = {"Release services", "Release locator", "Release enumerator"};

Calls Join(std::initializer_list<Calls> parts) {
  Calls joined;
  for (const Calls& part : parts) joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}

}  // namespace

TEST(GetOSVersion, PacksTheVersionAndReleasesEverythingInTheFixedOrder) {
  FakeOsProbe probe;
  probe.instances = {{L"6.1.7601"}};
  RecordingTrace trace;
  EXPECT_EQ(GetOSVersion(probe, trace), 0x06010009u);
  EXPECT_EQ(trace.lines, Lines{});
  EXPECT_EQ(
      probe.calls,
      Join({kSteps,
            {"NextInstance", "GetVersionText 0", "NextInstance", "NativeProcessorArchitecture"},
            kReleaseAll,
            {"Release instance 0", "UninitializeCom"}}));
  EXPECT_TRUE(probe.AllReleased());
  EXPECT_EQ(probe.wmiNamespace, L"ROOT\\CIMV2");
  EXPECT_EQ(probe.query, "WQL Select * from Win32_OperatingSystem");
}

TEST(GetOSVersion, EachFailingStepTracesOneLineAndLetsGoOfWhatItHeld) {
  struct Row {
    HResult FakeOsProbe::*step;
    HResult result;
    std::wstring line;
    Calls after;  // the calls after the failing one
  };
  const std::vector<Row> rows = {
      // COM was never initialised, so it is not uninitialised either.
      {&FakeOsProbe::initializeCom,
       static_cast<HResult>(0x80010106u),
       L"Failed to initialize COM library. hres = 0x80010106",
       {}},
      {&FakeOsProbe::initializeSecurity,
       static_cast<HResult>(0x80070005u),
       L"Failed to initialize security. hres = 0x80070005",
       {"UninitializeCom"}},
      {&FakeOsProbe::createLocator,
       static_cast<HResult>(0x80040154u),
       L"Failed to create IWbemLocator object. hres = 0x80040154",
       {"UninitializeCom"}},
      {&FakeOsProbe::connectServer,
       static_cast<HResult>(0x8007000Eu),
       L"Failed to pLoc->ConnectServer.",
       {"Release locator", "UninitializeCom"}},
      {&FakeOsProbe::setProxyBlanket,
       static_cast<HResult>(0x80004005u),
       L"Could not set proxy blanket.",
       {"Release services", "Release locator", "UninitializeCom"}},
      {&FakeOsProbe::execQuery,
       static_cast<HResult>(0x8007000Eu),
       L"Query for operating system name failed.",
       {"Release services", "Release locator", "UninitializeCom"}},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    FakeOsProbe probe;
    probe.instances = {{L"6.1.7601"}};
    probe.*rows[i].step = rows[i].result;
    RecordingTrace trace;
    EXPECT_EQ(GetOSVersion(probe, trace), kOSProbeFailed);
    EXPECT_EQ(trace.lines, Lines{rows[i].line});
    EXPECT_EQ(probe.calls, Join({Calls(kSteps.begin(), kSteps.begin() + i + 1), rows[i].after}));
    EXPECT_TRUE(probe.AllReleased());
  }
}

TEST(GetOSVersion, ComAlreadyInitialisedOrSecurityAlreadySetIsNoFailure) {
  // S_FALSE from CoInitializeEx and RPC_E_TOO_LATE from CoInitializeSecurity.
  FakeOsProbe probe;
  probe.instances = {{L"6.3.9600"}};
  probe.architecture = 0;
  probe.initializeCom = 1;
  probe.initializeSecurity = static_cast<HResult>(0x80010119u);
  RecordingTrace trace;
  EXPECT_EQ(GetOSVersion(probe, trace), 0x06030000u);
  EXPECT_EQ(trace.lines, Lines{});
  EXPECT_TRUE(probe.AllReleased());
}

TEST(GetOSVersion, SeveralInstancesAreEachReleasedOnceAndTheLastWins) {
  FakeOsProbe probe;
  probe.instances = {{L"6.1.7601"}, {L"6.2.9200"}, {L"6.3.9600"}};
  RecordingTrace trace;
  EXPECT_EQ(GetOSVersion(probe, trace), 0x06030009u);
  EXPECT_EQ(probe.calls,
            Join({kSteps,
                  {"NextInstance", "GetVersionText 0", "NextInstance", "Release instance 0",
                   "GetVersionText 1", "NextInstance", "Release instance 1", "GetVersionText 2",
                   "NextInstance", "NativeProcessorArchitecture"},
                  kReleaseAll,
                  {"Release instance 2", "UninitializeCom"}}));
  EXPECT_TRUE(probe.AllReleased());
}

TEST(GetOSVersion, NoUsableVersionTextIsAFailedProbe) {
  struct Row {
    std::vector<FakeOsProbe::Instance> instances;
    std::wstring line;
    Calls end;
  };
  const std::vector<Row> rows = {
      {{}, L"Query for operating system returned no instance.", {"UninitializeCom"}},
      {{{L"6.1.7601", false}},
       L"Failed to get the operating system version.",
       {"Release instance 0", "UninitializeCom"}},
      // Only the last instance counts, readable or not.
      {{{L"6.1.7601"}, {L"6.2.9200", false}},
       L"Failed to get the operating system version.",
       {"Release instance 1", "UninitializeCom"}},
      {{{L"..6.."}},
       L"Unexpected operating system version ..6..",
       {"Release instance 0", "UninitializeCom"}},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    FakeOsProbe probe;
    probe.instances = rows[i].instances;
    RecordingTrace trace;
    EXPECT_EQ(GetOSVersion(probe, trace), kOSProbeFailed);
    EXPECT_EQ(trace.lines, Lines{rows[i].line});
    const Calls tail(probe.calls.end() - 3 - rows[i].end.size(), probe.calls.end());
    EXPECT_EQ(tail, Join({kReleaseAll, rows[i].end}));
    EXPECT_TRUE(probe.AllReleased());
  }
}

TEST(ParseOSVersionText, ReadsTheFirstTwoComponentsAsHexadecimal) {
  struct Row {
    const wchar_t* text;
    std::uint32_t architecture;
    OSVersionCode expected;
  };
  const Row rows[] = {
      {L"6.1.7601", 9, 0x06010009u},
      {L"6.2.9200", 0, 0x06020000u},
      {L"10.0.19045", 9, 0x10000009u},  // major 0x10, not 10
      {L"6.1", 0x109, 0x06010009u},     // only the low byte of the architecture
      {L"..6..1..", 9, 0x06010009u},    // dots run together as one separator
      {L" 6. +1", 0, 0x06010000u},      // blanks and a sign before the digits
      {L"0x6.0Xa", 0, 0x060A0000u},     // an optional 0x prefix
      {L"6z.1g7", 0, 0x06010000u},      // digits end at the first non-hex character
      {L"6.x", 0, 0x06000000u},         // a component without digits is 0
      // Numbers of 256 and more spill into the neighbouring bits.
      {L"106.2", 0, 0x06020000u},
      {L"-1.0", 0, 0xFF000000u},
      // Past a 32-bit long the conversion clamps to LONG_MAX or LONG_MIN, as
      // it does on Windows.
      {L"FFFFFFFFFFFFFFFFFFFF.0", 0, 0xFF000000u},
      {L"0.80000000", 0, 0xFFFF0000u},
      {L"0.-80000001", 0, 0x00000000u},
      {L"0.-FFFFFFFFFFFFFFFFFFFF", 0, 0x00000000u},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.text)));
    OSVersionCode code = 0xDEADBEEFu;
    ASSERT_TRUE(ParseOSVersionText(row.text, row.architecture, &code));
    EXPECT_EQ(code, row.expected);
  }
  for (const wchar_t* text : {L"", L"...", L"6", L"6.", L"..6..", L"  "}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(text)));
    OSVersionCode code = 0xDEADBEEFu;
    EXPECT_FALSE(ParseOSVersionText(text, 9, &code));
    EXPECT_EQ(code, 0xDEADBEEFu);
  }
}
