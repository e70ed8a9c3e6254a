// End-to-end runs of the real Perinax.exe under the trace viewer: each run
// gets a folder with Perinax.exe, Perinax.ini and the demo setup program, a
// Windows version chosen through Wine's per-program setting, and is checked
// for its whole trace, the registry value in the right view, its exit code and
// the argument text that reached the setup program.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "e2e_run.h"

namespace {

using e2e::IsWin64Prefix;
using Lines = std::vector<std::wstring>;

constexpr DWORD kFailedLaunch = 1603;
const std::wstring kKeyRoot = L"SOFTWARE\\PerinaxE2E";
const std::wstring kDemoSetupName = L"perinax-demo-setup.exe";

struct LauncherRun {
  const wchar_t* label;
  const wchar_t* wineVersion;
  std::uint32_t versionHalf;  // major << 8 | minor, as the launcher packs them
  std::wstring args;
  DWORD exitCode;
  bool iniPresent = true;
  bool setupPresent = true;
  bool spacedFolder = false;  // run from a folder with a blank, name quoted
};

// The section that Windows 6.1, 6.2 and 6.3 look for; none for other versions.
const wchar_t* CandidateFor(std::uint32_t versionHalf) {
  switch (versionHalf) {
    case 0x0601:
      return L"win7";
    case 0x0602:
      return L"win8";
    case 0x0603:
      return L"win8.1";
    default:
      return nullptr;
  }
}

const wchar_t* SectionFor(const LauncherRun& run) {
  const wchar_t* candidate = CandidateFor(run.versionHalf);
  return run.iniPresent && candidate != nullptr ? candidate : L"Default";
}

// The value each section stores: the 32-bit target gets it, the x64 target 100 more.
DWORD SectionValue(const std::wstring& section) {
  if (section == L"win7") return 61;
  if (section == L"win8") return 62;
  if (section == L"win8.1") return 63;
  return 1;
}

std::wstring KeyPathOf(const LauncherRun& run) {
  return kKeyRoot + L"\\" + run.label;
}

std::string IniText(const LauncherRun& run, const std::wstring& setupFile) {
  std::wstring text = L"; written by the end-to-end test\r\n";
  for (const wchar_t* section : {L"win7", L"win8", L"win8.1", L"Default"}) {
    const DWORD value = SectionValue(section);
    text += L"[" + std::wstring(section) + L"]\r\n";
    text += L"SetupFile=" + setupFile + L"\r\n";
    text += L"RegPath32KeyPath=" + KeyPathOf(run) + L"\r\n";
    text += L"RegPath32KeyName=" + std::wstring(section) + L"\r\n";
    text += L"RegPath32KeyValue=" + std::to_wstring(value) + L"\r\n";
    text += L"RegPath64KeyPath=" + KeyPathOf(run) + L"\r\n";
    text += L"RegPath64KeyName=" + std::wstring(section) + L"\r\n";
    text += L"RegPath64KeyValue=" + std::to_wstring(value + 100) + L"\r\n";
  }
  return e2e::ToUtf8(text);  // plain ASCII
}

// The trace a run should leave. Wine hands debug strings to a debugger in the
// ANSI code page (throughAnsi), Windows 10 and later as UTF-16.
Lines ExpectedTrace(const LauncherRun& run, const std::wstring& folder, bool throughAnsi) {
  const std::uint32_t arch = IsWin64Prefix() ? 9 : 0;
  const std::uint32_t osCode = (run.versionHalf << 16) | arch;
  Lines lines{L"-----LoadINIFile file start-----", folder + L"\\Perinax.ini"};
  if (!run.iniPresent) lines.push_back(L"Please check the path of INI file!");
  lines.push_back(L"OS version " + std::to_wstring(static_cast<int>(osCode)));
  if (const wchar_t* candidate = CandidateFor(run.versionHalf)) {
    lines.push_back(L"CheckINISection " + std::wstring(candidate));
  }
  if (arch == 9) {
    const std::wstring configured = run.iniPresent ? KeyPathOf(run) : L"Unknow";
    lines.push_back(L"m_szReg64KeyPath " + configured);
    lines.insert(lines.end(), {L"Not find", L"szRegPath " + configured, L"WriteToReg", L"X64",
                               L"create", L"Write VUZA Value"});
  } else {
    lines.insert(lines.end(), {L"WriteToReg", L"Write VUZA Value"});
  }
  lines.push_back(L"-----LoadINIFile file end-----");
  // The launcher cuts the line to 259 characters.
  const std::wstring cutLine = (L"Setup CMD " + run.args).substr(0, 259);
  const std::wstring setupLine = throughAnsi ? e2e::ThroughAnsiCodePage(cutLine) : cutLine;
  lines.insert(lines.end(), {setupLine, setupLine});
  if (run.setupPresent && run.iniPresent) {
    lines.insert(lines.end(), {L"CreateProcess", L"WaitForSingleObject"});
    lines.push_back(run.exitCode == 259
                        ? std::wstring(L"Still running")
                        : L"Exit Code " + std::to_wstring(static_cast<int>(run.exitCode)));
  }
  return lines;
}

// Removes the keys that a run may write, from both views, before the run and
// again when the check ends, however it ends.
class MachineKeysOf {
 public:
  explicit MachineKeysOf(const LauncherRun& run) : keys_{KeyPathOf(run), kKeyRoot, L"Unknow"} {
    e2e::DeleteMachineKeys(keys_);
  }
  MachineKeysOf(const MachineKeysOf&) = delete;
  MachineKeysOf& operator=(const MachineKeysOf&) = delete;
  ~MachineKeysOf() { e2e::DeleteMachineKeys(keys_); }

 private:
  std::vector<std::wstring> keys_;
};

void RunAndCheck(const LauncherRun& run) {
  SCOPED_TRACE(testing::Message() << "run " << testing::PrintToString(std::wstring(run.label))
                                  << " as "
                                  << testing::PrintToString(std::wstring(run.wineVersion)));
  const e2e::TempFolder folder(run.spacedFolder ? std::wstring(L"perinax e2e ") + run.label
                                                : std::wstring(L"perinax-e2e-") + run.label);
  ASSERT_TRUE(CopyFileW(e2e::PerinaxExe().c_str(), folder.File(L"Perinax.exe").c_str(), FALSE));
  if (run.setupPresent) {
    ASSERT_TRUE(CopyFileW(e2e::DemoSetupExe().c_str(), folder.File(kDemoSetupName).c_str(), FALSE));
  }
  // A relative name is found in the current directory; the spaced folder also
  // checks an absolute name with a blank in it.
  const std::wstring setupFile = !run.setupPresent  ? folder.File(L"no-such-setup.exe")
                                 : run.spacedFolder ? folder.File(kDemoSetupName)
                                                    : kDemoSetupName;
  if (run.iniPresent) {
    ASSERT_TRUE(e2e::WriteFileBytes(folder.File(L"Perinax.ini"), IniText(run, setupFile)));
  }

  const MachineKeysOf keys(run);
  // The x64 target is written in the 64-bit view.
  const REGSAM targetView = IsWin64Prefix() ? e2e::kView64 : e2e::kView32;
  const std::wstring targetKey = run.iniPresent ? KeyPathOf(run) : L"Unknow";

  const e2e::WineVersionFor version(L"Perinax.exe", run.wineVersion);
  ASSERT_TRUE(version.Ok());
  const std::wstring program = folder.File(L"Perinax.exe");
  const std::wstring commandLine = (run.spacedFolder ? L"\"" + program + L"\"" : program) +
                                   (run.args.empty() ? L"" : L" ") + run.args;
  const e2e::TracedRun result = e2e::RunUnderTraceViewer(folder.Path(), commandLine);

  ASSERT_TRUE(result.finished) << testing::PrintToString(result.viewerErrors);
  if (result.trace != ExpectedTrace(run, folder.Path(), false)) {
    EXPECT_EQ(result.trace, ExpectedTrace(run, folder.Path(), true));
  }
  EXPECT_EQ(result.exitCode, run.exitCode);

  // The value lands in the view the architecture calls for.
  const std::wstring section = SectionFor(run);
  const std::wstring valueName = run.iniPresent ? section : L"Unknow";
  const DWORD expectedValue =
      !run.iniPresent ? 0 : SectionValue(section) + (IsWin64Prefix() ? 100 : 0);
  EXPECT_EQ(e2e::ReadMachineDword(targetKey, valueName, targetView), expectedValue);
  // Only keys below SOFTWARE have a view of each kind; "Unknow" is shared.
  if (IsWin64Prefix() && run.iniPresent) {
    EXPECT_FALSE(e2e::MachineKeyExists(targetKey, e2e::kView32));
  }

  const auto received = e2e::ReadFileBytes(folder.File(L"setup-received.txt"));
  if (run.setupPresent && run.iniPresent) {
    ASSERT_TRUE(received.has_value());
    EXPECT_EQ(e2e::FromUtf8(*received), run.args);
  } else {
    EXPECT_FALSE(received.has_value());
  }
}

}  // namespace

TEST(PerinaxEndToEnd, EachWindowsVersionReadsItsSectionAndEndsWithTheSetupExitCode) {
  const LauncherRun runs[] = {
      {L"vista", L"vista", 0x0600, L"/S /v\"/qn REBOOT=ReallySuppress\" /exitcode=1", 1},
      {L"win7", L"win7", 0x0601, L"a\tb  c \"d  e\" /exitcode=3010", 3010},
      {L"win8", L"win8", 0x0602,
       L"/exitcode=0x0 Gr\u00fc\u00dfe \u0395\u03bb\u03bb\u03ac\u03b4\u03b1 \u65e5\u672c\u8a9e", 0},
      {L"win81", L"win81", 0x0603, L"/exitcode=-1", 0xFFFFFFFFu},
      // Version 10.0 is read as hexadecimal 0x10, 0x00: no section of its own.
      {L"win10", L"win10", 0x1000, L"/exitcode=259 \"C:\\Program Files\\x\"", 259},
  };
  for (const LauncherRun& run : runs) RunAndCheck(run);
}

TEST(PerinaxEndToEnd, ArgumentTextReachesTheSetupProgramWhole) {
  std::wstring longText = L"/exitcode=7";
  for (int i = 0; longText.size() < 4000; ++i) longText += L" \"part " + std::to_wstring(i) + L"\"";
  longText.resize(4000);
  longText.back() = L'z';
  const LauncherRun runs[] = {
      {L"empty", L"win7", 0x0601, L"", 0},
      {L"long", L"win10", 0x1000, longText, 7},
      {L"spaced", L"win81", 0x0603, L"/exitcode=5 \"x  y\"\t/z", 5, true, true,
       /*spacedFolder=*/true},
  };
  for (const LauncherRun& run : runs) RunAndCheck(run);
}

// Without an INI file every setting is "Unknow": the key of that name is
// written and the start of a program of that name fails.
TEST(PerinaxEndToEnd, MissingIniFileEndsWithTheFailureCode) {
  RunAndCheck({L"noini", L"win7", 0x0601, L"/q", kFailedLaunch, /*iniPresent=*/false});
}

TEST(PerinaxEndToEnd, MissingSetupProgramEndsWithTheFailureCode) {
  RunAndCheck({L"nosetup", L"win10", 0x1000, L"/q \"a b\"", kFailedLaunch, true,
               /*setupPresent=*/false});
}
