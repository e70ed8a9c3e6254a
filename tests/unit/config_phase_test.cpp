#include "app/config_phase.h"

#include <gtest/gtest.h>

#include <tuple>

#include "fake_os_probe.h"
#include "fake_profile.h"
#include "fake_registry.h"
#include "recording_trace.h"

// The whole phase over fakes: the trace between the banners and the registry calls.
TEST(LoadINIFile, TracesEveryStageInOrder) {
  const std::tuple<const wchar_t*, bool, std::wstring, std::wstring> rows[] = {
      {L"6.3.9600", true,
       L"OS version 100859913|CheckINISection win8.1|m_szReg64KeyPath S\\81|Not find|"
       L"szRegPath S\\81|WriteToReg|X64|create|Write VUZA Value",
       L"disable|open S\\81 0x2011f|create S\\81 0x2011f|set N=81|close|revert saved"},
      // Neither a file nor a working probe: nothing is read and nothing written.
      {L"6.1.7601", false,
       L"Please check the path of INI file!|Failed to initialize COM library. hres = 0x80010106|"
       L"OS version 255",
       L""},
  };
  for (const auto& [version, ini, lines, calls] : rows) {
    SCOPED_TRACE(version);
    FakeProfile profile;
    if (ini) {
      profile.SetIniText(
          "[win8.1]\nRegPath64KeyPath=S\\81\nRegPath64KeyName=N\nRegPath64KeyValue=81\n");
    }
    FakeOsProbe probe;
    probe.versions = {version};
    probe.results[0] = ini ? 0 : HResult(0x80010106);
    FakeRegistry registry;
    RecordingTrace trace;
    LauncherState state;
    ConfigPlatform platform{profile, probe, registry, trace};
    EXPECT_EQ(LoadINIFile(state, platform), 1);
    EXPECT_EQ(Joined(trace.lines), L"-----LoadINIFile file start-----|C:\\Setup\\Perinax.ini|" +
                                       lines + L"|-----LoadINIFile file end-----");
    EXPECT_EQ(Joined(registry.calls), calls);
  }
}
