#include "launch/setup_runner.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <tuple>

#include "fake_shell.h"
#include "recording_trace.h"

TEST(RunSetupCmd, StartsTheSetupProgramWaitsAndReturnsItsExitCode) {
  using enum FakeShell::Outcome;
  const std::wstring ran = L"|CreateProcess|WaitForSingleObject|";
  const std::string waited = "folder?|start|wait|exitcode|close";
  const std::wstring long300 = L"\"a b\"" + std::wstring(295, L'x');
  const std::tuple<const wchar_t*, FakeShell::Outcome, std::uint32_t, std::uint32_t, std::wstring,
                   std::string>
      rows[] = {
          {L"/S  \"C:\\a b\"\t-x", kRuns, 0, 0, ran + L"Exit Code 0", waited},
          {long300.c_str(), kRuns, 0, 0, ran + L"Exit Code 0", waited},  // traced cut to 259
          {L"/q", kRuns, 259, 259, ran + L"Still running", waited},  // STILL_ACTIVE traced apart
          {L"/q", kRuns, 0xFFFFFFFF, 0xFFFFFFFF, ran + L"Exit Code -1", waited},
          {L"/q", kStartFails, 0, 1603, L"", "folder?|start"},
          {L"/q", kCodeUnreadable, 0, 1603, ran + L"GetExitCodeProcess fail", waited},
          // Started, but no process handed back: nothing to wait for, close or claim.
          {L"/q", kNoHandle, 0, 1603, ran + L"GetExitCodeProcess fail", "folder?|start"},
          {L"/q", kFolder, 0, 1603, L"", "folder?"},  // a folder would open a file browser
          {nullptr, kRuns, 0, 1603, L"", ""},         // SetupFile= with nothing after it
          // Not named whole by the INI file (no file, no key, or a value cut to fit): "Unknow" or
          // the cut name is never searched for, so nothing is asked of the shell at all.
          {L"unnamed", kRuns, 0, 1603, L"", ""},
      };
  for (const auto& row : rows) {
    const auto& [args, outcome, code, returned, lines, calls] = row;
    SCOPED_TRACE(&row - rows);
    const bool unnamed = args != nullptr && std::wcscmp(args, L"unnamed") == 0;
    SetupSettings settings;
    if (args != nullptr) std::wcscpy(settings.m_szSetupFile, unnamed ? L"Unknow" : L"setup.exe");
    settings.m_bSetupFileNamed = args != nullptr && !unnamed;
    const wchar_t* text = args != nullptr && !unnamed ? args : L"/q";
    FakeShell shell;
    shell.outcome = outcome;
    shell.exitCode = code;
    RecordingTrace trace;
    EXPECT_EQ(RunSetupCmd(settings, shell, trace, text), returned);
    const std::wstring setup = (L"Setup CMD " + std::wstring(text)).substr(0, 259);
    EXPECT_EQ(Joined(trace.lines), setup + L"|" + setup + lines);
    EXPECT_EQ(Joined(shell.calls), calls);
    if (calls.find("start") == std::string::npos) continue;
    // A handle back, no error box or zone warning, started before the call returns; the texts
    // as they are, an empty one not null.
    EXPECT_EQ(shell.record.cbSize, 60u);
    EXPECT_EQ(shell.record.fMask, 0x00800540u);
    EXPECT_EQ(shell.record.lpFile, settings.m_szSetupFile);
    EXPECT_EQ(shell.record.lpParameters, text);
    EXPECT_EQ(shell.record.nShow, 5);
  }
}
