#include "osinfo/os_version.h"

#include <gtest/gtest.h>

#include <tuple>

#include "fake_os_probe.h"
#include "recording_trace.h"

TEST(GetOSVersion, EachFailingStepTracesItsLineAndLetsGoOfWhatItHeld) {
  const char* steps[] = {"Init", "Security", "Locator", "Connect", "Blanket", "Query"};
  const std::tuple<HResult, std::wstring, std::string> rows[] = {
      {HResult(0x80010106), L"Failed to initialize COM library. hres = 0x80010106", ""},
      {HResult(0x80070005), L"Failed to initialize security. hres = 0x80070005", "|Uninit"},
      {HResult(0x80040154), L"Failed to create IWbemLocator object. hres = 0x80040154", "|Uninit"},
      {HResult(0x8007000E), L"Failed to pLoc->ConnectServer.", "|-locator|Uninit"},
      {HResult(0x80004005), L"Could not set proxy blanket.", "|-services|-locator|Uninit"},
      {HResult(0x80041017), L"Query for operating system name failed.",
       "|-services|-locator|Uninit"},
  };
  std::string calls;
  for (int step = 0; step < 6; ++step) {
    const auto& [result, line, after] = rows[step];
    SCOPED_TRACE(step);
    calls += std::string(step > 0 ? "|" : "") + steps[step];
    FakeOsProbe probe;
    probe.results[step] = result;
    RecordingTrace trace;
    EXPECT_EQ(GetOSVersion(probe, trace), kOSProbeFailed);
    EXPECT_EQ(Joined(trace.lines), line);
    EXPECT_EQ(Joined(probe.calls), calls + after);  // no Uninit after a failed Init
    EXPECT_EQ(probe.held, 0);
  }
}

// S_FALSE and RPC_E_TOO_LATE are no failures; whatever the outcome, all is let go in order.
TEST(GetOSVersion, PacksTheLastInstancesVersionWithTheArchitecture) {
  const std::tuple<std::vector<std::wstring>, std::uint16_t, OSVersionCode, std::wstring> rows[] = {
      {{L"6.1.7601", L"6.2.9200", L"6.3.9600"}, 0, 0x06030000, L""},
      {{L"10.0.19045"}, 9, 0x10000009, L""},    // major 0x10, not 10
      {{L"6.2.9200"}, 0x109, 0x06020009, L""},  // only the low byte of the architecture
      {{L"..6..1.."}, 0, 0x06010000, L""},  // leading dots skipped, a run of dots separates once
      {{std::wstring(250, L'0') + L"6.1.7601"}, 0, 0x06010000, L""},  // a long text is read whole
      {{}, 9, kOSProbeFailed, L"Query for operating system returned no instance."},
      {{L"?"}, 9, kOSProbeFailed, L"Failed to get the operating system version."},
      {{L"6"}, 9, kOSProbeFailed, L"Unexpected operating system version 6"},
  };
  for (const auto& row : rows) {
    const auto& [versions, architecture, code, line] = row;
    SCOPED_TRACE(&row - rows);
    FakeOsProbe probe;
    probe.results[0] = 1;
    probe.results[1] = HResult(0x80010119);
    probe.versions = versions;
    probe.architecture = architecture;
    RecordingTrace trace;
    EXPECT_EQ(GetOSVersion(probe, trace), code);
    EXPECT_EQ(Joined(trace.lines), line);
    const std::string last =
        versions.empty() ? "" : "|-instance" + std::to_string(versions.size() - 1);
    const std::string end = "|-services|-locator|-enumerator" + last + "|Uninit";
    EXPECT_TRUE(Joined(probe.calls).ends_with(end)) << Joined(probe.calls);
    EXPECT_EQ(probe.held, 0);
  }
}
