#include "launch/setup_runner.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "fake_shell.h"
#include "recording_trace.h"

namespace {

using Lines = std::vector<std::wstring>;
using Calls = std::vector<std::string>;

SetupSettings SettingsWithSetupFile(const wchar_t* file) {
  SetupSettings settings;
  std::wcsncpy(settings.m_szSetupFile, file, kSettingChars - 1);
  return settings;
}

}  // namespace

TEST(RunSetupCmd, FillsTheLaunchRecordAndPassesTheArgumentTextOn) {
  struct Row {
    const wchar_t* args;
    const wchar_t* setupLine;
  };
  const Row rows[] = {
      {L"/S  \"C:\\a b\"\t-x", L"Setup CMD /S  \"C:\\a b\"\t-x"},
      // An empty text is passed as empty parameters, not as none.
      {L"", L"Setup CMD "},
  };
  const SetupSettings settings = SettingsWithSetupFile(L"C:\\media\\setup.exe");
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.args)));
    FakeShell shell;
    RecordingTrace trace;
    EXPECT_EQ(RunSetupCmd(settings, shell, trace, row.args), 0u);

    ASSERT_EQ(shell.launches.size(), 1u);
    const FakeShell::Launch& launch = shell.launches[0];
    EXPECT_EQ(launch.cbSize, 60u);
    EXPECT_EQ(launch.fMask, 0x440u);  // a handle back, and no error box
    EXPECT_EQ(launch.file, L"C:\\media\\setup.exe");
    EXPECT_FALSE(launch.parametersNull);
    EXPECT_EQ(launch.parameters, row.args);
    EXPECT_EQ(launch.nShow, 5);
    EXPECT_EQ(trace.lines, (Lines{row.setupLine, row.setupLine, L"CreateProcess",
                                  L"WaitForSingleObject", L"Exit Code 0"}));
  }
}

// The exit code is returned as the process reported it, whatever its value;
// only its trace line differs.
TEST(RunSetupCmd, ReturnsTheExitCodeAndTracesIt) {
  struct Row {
    std::uint32_t code;
    const wchar_t* lastLine;
  };
  const Row rows[] = {
      {0, L"Exit Code 0"},
      {1, L"Exit Code 1"},
      {3010, L"Exit Code 3010"},
      {259, L"Still running"},
      {0xFFFFFFFFu, L"Exit Code -1"},
      {0x80070005u, L"Exit Code -2147024891"},
      {1603, L"Exit Code 1603"},
  };
  const SetupSettings settings = SettingsWithSetupFile(L"setup.exe");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.code);
    FakeShell shell;
    shell.exitCode = row.code;
    RecordingTrace trace;
    EXPECT_EQ(RunSetupCmd(settings, shell, trace, L"/q"), row.code);
    EXPECT_EQ(trace.lines, (Lines{L"Setup CMD /q", L"Setup CMD /q", L"CreateProcess",
                                  L"WaitForSingleObject", row.lastLine}));
    EXPECT_EQ(shell.calls, (Calls{"start", "wait", "exitcode", "close"}));
    EXPECT_EQ(shell.processesClosed, 1);
    EXPECT_EQ(shell.foreignHandleUses, 0);
  }
}

TEST(RunSetupCmd, FailedStartTracesTwoLinesWaitsForNothingAndReturnsTheFailureCode) {
  const SetupSettings settings = SettingsWithSetupFile(L"Unknow");
  FakeShell shell;
  shell.startSucceeds = false;
  RecordingTrace trace;
  EXPECT_EQ(RunSetupCmd(settings, shell, trace, L"a b"), kLaunchFailedExitCode);
  EXPECT_EQ(kLaunchFailedExitCode, 1603u);
  EXPECT_EQ(trace.lines, (Lines{L"Setup CMD a b", L"Setup CMD a b"}));
  EXPECT_EQ(shell.calls, (Calls{"start"}));
}

TEST(RunSetupCmd, UnreadableExitCodeStillClosesTheProcess) {
  const SetupSettings settings = SettingsWithSetupFile(L"setup.exe");
  FakeShell shell;
  shell.exitCodeReadable = false;
  shell.exitCode = 0;
  RecordingTrace trace;
  EXPECT_EQ(RunSetupCmd(settings, shell, trace, L"x"), kLaunchFailedExitCode);
  EXPECT_EQ(trace.lines, (Lines{L"Setup CMD x", L"Setup CMD x", L"CreateProcess",
                                L"WaitForSingleObject", L"GetExitCodeProcess fail"}));
  EXPECT_EQ(shell.calls, (Calls{"start", "wait", "exitcode", "close"}));
  EXPECT_EQ(shell.processesClosed, shell.processesHandedOut);
}

// A start that hands back no process must not be reported as success, and a
// null handle is never waited on or closed.
TEST(RunSetupCmd, StartWithoutAProcessHandleFailsWithoutTouchingANullHandle) {
  const SetupSettings settings = SettingsWithSetupFile(L"readme.txt");
  FakeShell shell;
  shell.handsBackProcess = false;
  RecordingTrace trace;
  EXPECT_EQ(RunSetupCmd(settings, shell, trace, L""), kLaunchFailedExitCode);
  EXPECT_EQ(trace.lines, (Lines{L"Setup CMD ", L"Setup CMD ", L"CreateProcess",
                                L"WaitForSingleObject", L"GetExitCodeProcess fail"}));
  EXPECT_EQ(shell.calls, (Calls{"start"}));
}

TEST(RunSetupCmd, LongArgumentTextIsPassedWholeWhileItsTraceLineIsCut) {
  const SetupSettings settings = SettingsWithSetupFile(L"setup.exe");
  std::wstring args;
  for (int i = 0; args.size() < 1000; ++i) args += L"/opt" + std::to_wstring(i) + L" ";
  args.resize(1000);
  FakeShell shell;
  RecordingTrace trace;
  RunSetupCmd(settings, shell, trace, args.c_str());

  ASSERT_EQ(shell.launches.size(), 1u);
  EXPECT_EQ(shell.launches[0].parameters, args);
  const std::wstring cut = L"Setup CMD " + args.substr(0, 259 - 10);
  ASSERT_GE(trace.lines.size(), 2u);
  EXPECT_EQ(trace.lines[0], cut);
  EXPECT_EQ(trace.lines[1], cut);
  EXPECT_EQ(trace.lines[0].size(), 259u);
}
