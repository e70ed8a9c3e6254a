#include "app/config_phase.h"

#include <gtest/gtest.h>

#include <tuple>

#include "app/launcher_run.h"
#include "fake_error_mode.h"
#include "fake_os_probe.h"
#include "fake_profile.h"
#include "fake_registry.h"
#include "fake_shell.h"
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

// A whole run: the system's error boxes ("There is no disk in the drive") are off for the
// configuration phase, through the thread's mode where Windows has one and else the process's,
// keeping what the mode held; the mode is back before the setup program, which inherits it,
// starts. Without a probe.
TEST(RunLauncher, SwitchesErrorBoxesOffForTheConfigurationPhaseAlone) {
  const std::tuple<bool, std::uint32_t, std::wstring, std::wstring> rows[] = {
      {true, 0, L"thread 0x8001", L"thread 0x0"},
      {true, 0x2, L"thread 0x8001|thread 0x8003", L"thread 0x2"},  // no fault-reporting box
      {true, 0x8001, L"thread 0x8001", L"thread 0x8001"},
      {false, 0, L"process 0x8001", L"process 0x0"},  // Vista
      {false, 0x4, L"process 0x8001|process 0x8005", L"process 0x4"},
  };
  for (const auto& row : rows) {
    const auto& [threadModeExists, before, off, back] = row;
    SCOPED_TRACE(&row - rows);
    FakeProfile profile;
    profile.SetIniText("[Default]\nSetupFile=setup.exe\n");
    FakeOsProbe probe;
    probe.results[0] = HResult(0x80010106);
    FakeRegistry registry;
    RecordingTrace trace;
    FakeErrorMode errorMode(trace.lines);
    errorMode.threadModeExists = threadModeExists;
    (threadModeExists ? errorMode.threadMode : errorMode.processMode) = before;
    FakeShell shell;
    shell.exitCode = 7;
    LauncherState state;
    ConfigPlatform config{profile, probe, registry, trace};

    EXPECT_EQ(RunLauncher(state, config, errorMode, shell, L"/q"), 7u);
    EXPECT_EQ(Joined(trace.lines),
              off +
                  L"|-----LoadINIFile file start-----|C:\\Setup\\Perinax.ini|"
                  L"Failed to initialize COM library. hres = 0x80010106|OS version 255|"
                  L"-----LoadINIFile file end-----|" +
                  back +
                  L"|Setup CMD /q|Setup CMD /q|CreateProcess|WaitForSingleObject|Exit Code 7");
    EXPECT_EQ(errorMode.threadMode, threadModeExists ? before : 0u);
    EXPECT_EQ(errorMode.processMode, threadModeExists ? 0u : before);
  }
}
