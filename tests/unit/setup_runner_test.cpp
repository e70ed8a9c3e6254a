#include "launch/setup_runner.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <tuple>

#include "fake_shell.h"
#include "recording_trace.h"

TEST(RunSetupCmd, StartsTheSetupProgramWaitsAndReturnsItsExitCode) {
  enum Outcome { kRuns, kStartFails, kNoHandle, kCodeUnreadable, kFolder };
  const std::wstring ran = L"|CreateProcess|WaitForSingleObject|";
  const std::wstring long300 = L"\"a b\"" + std::wstring(295, L'x');
  const std::tuple<const wchar_t*, Outcome, std::uint32_t, std::uint32_t, std::wstring> rows[] = {
      {L"/S  \"C:\\a b\"\t-x", kRuns, 0, 0, ran + L"Exit Code 0"},
      {L"", kRuns, 1, 1, ran + L"Exit Code 1"},
      {long300.c_str(), kRuns, 0, 0, ran + L"Exit Code 0"},  // traced cut to 259 characters
      {L"/q", kRuns, 259, 259, ran + L"Still running"},      // STILL_ACTIVE is only traced apart
      {L"/q", kRuns, 0xFFFFFFFF, 0xFFFFFFFF, ran + L"Exit Code -1"},
      {L"/q", kStartFails, 0, 1603, L""},
      {L"/q", kCodeUnreadable, 0, 1603, ran + L"GetExitCodeProcess fail"},
      // Started, but no process handed back: nothing to wait for, close or claim.
      {L"/q", kNoHandle, 0, 1603, ran + L"GetExitCodeProcess fail"},
      {L"/q", kFolder, 0, 1603, L""},  // a folder would open a file browser instead
  };
  SetupSettings settings;
  std::wcscpy(settings.m_szSetupFile, L"C:\\media\\setup.exe");
  for (const auto& row : rows) {
    const auto& [args, outcome, code, returned, lines] = row;
    SCOPED_TRACE(&row - rows);
    FakeShell shell;
    shell.startSucceeds = outcome != kStartFails;
    shell.handsBackProcess = outcome != kNoHandle;
    shell.exitCodeReadable = outcome != kCodeUnreadable;
    shell.exitCode = code;
    shell.setupFileIsFolder = outcome == kFolder;
    RecordingTrace trace;
    EXPECT_EQ(RunSetupCmd(settings, shell, trace, args), returned);
    const std::wstring setup = (L"Setup CMD " + std::wstring(args)).substr(0, 259);
    EXPECT_EQ(Joined(trace.lines), setup + L"|" + setup + lines);
    EXPECT_EQ(Joined(shell.calls), outcome == kFolder ? "folder?"
                                   : outcome == kStartFails || outcome == kNoHandle
                                       ? "folder?|start"
                                       : "folder?|start|wait|exitcode|close");
    if (outcome == kFolder) continue;
    // A handle back and no error box; the texts as they are, an empty one not null.
    EXPECT_EQ(shell.record.cbSize, 60u);
    EXPECT_EQ(shell.record.fMask, 0x440u);
    EXPECT_EQ(shell.record.lpFile, settings.m_szSetupFile);
    EXPECT_EQ(shell.record.lpParameters, args);
    EXPECT_EQ(shell.record.nShow, 5);
  }
}

TEST(RunSetupCmd, StartsNothingWithoutASetupFile) {
  SetupSettings settings;  // SetupFile= with nothing after it
  FakeShell shell;
  RecordingTrace trace;
  EXPECT_EQ(RunSetupCmd(settings, shell, trace, L"/q"), 1603u);
  EXPECT_EQ(Joined(trace.lines), L"Setup CMD /q|Setup CMD /q");
  EXPECT_TRUE(shell.calls.empty());
}
