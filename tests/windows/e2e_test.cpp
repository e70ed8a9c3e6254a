// The real Perinax.exe run twice under the trace viewer from a folder with a blank in its name,
// at each Windows version; the demo setup program records the argument text it received.

#include <gtest/gtest.h>

#include "wine_support.h"

namespace {

struct LauncherRun {
  const wchar_t* label;  // names the folder and the registry key
  const wine::WindowsVersion& version;
  std::wstring args;
  DWORD exitCode;
  bool ini = true;
  // Relative to the current directory, or with a leading backslash to the folder.
  const wchar_t* setupFile = L"setup.exe";
  bool wow6432Node = false;  // the x64 target names the 32-bit view
};

void RunAndCheck(const LauncherRun& run) {
  SCOPED_TRACE(run.label);
  const bool win64 = wine::IsWin64Prefix();
  const wine::TempFolder folder(L"perinax e2e " + std::wstring(run.label));
  const std::wstring key = run.ini ? L"SOFTWARE\\PerinaxE2E-" + std::wstring(run.label) : L"Unknow";
  const std::wstring path64 =
      run.wow6432Node ? L"SOFTWARE\\Wow6432Node\\PerinaxE2E-" + std::wstring(run.label) : key;
  wine::RemoveMachineKey(key);
  CopyFileW((wine::kBuildDir + L"/Perinax.exe").c_str(), (folder / L"Perinax.exe").c_str(), FALSE);
  CopyFileW((wine::kBuildDir + L"/tools/perinax-demo-setup.exe").c_str(),
            (folder / L"setup.exe").c_str(), FALSE);
  const wchar_t* section = run.version.section && run.ini ? run.version.section : L"Default";
  // Each section names its own value: the one written tells which was read.
  std::wstring ini;
  for (const wchar_t* name : {L"win7", L"win8", L"win8.1", L"Default"}) {
    ini += L"[" + std::wstring(name) + L"]\r\nSetupFile=" +
           (run.setupFile[0] == L'\\' ? folder.path() : L"") + run.setupFile +
           L"\r\nRegPath32KeyPath=" + key + L"\r\nRegPath32KeyName=" + name +
           L"\r\nRegPath32KeyValue=32\r\nRegPath64KeyPath=" + path64 + L"\r\nRegPath64KeyName=" +
           name + L"\r\nRegPath64KeyValue=64\r\n";
  }
  if (run.ini) wine::WriteBytes(folder / L"Perinax.ini", wine::Narrow(ini));
  const wine::WineVersionFor version(L"Perinax.exe", run.version.wineName);

  for (const bool again : {false, true}) {
    SCOPED_TRACE(again ? "second run" : "first run");
    EXPECT_EQ(wine::Run(L"\"" + wine::kBuildDir + L"/tools/perinax-trace.exe\" \"" +
                            (folder / L"Perinax.exe") + L"\"" + (run.args.empty() ? L"" : L" ") +
                            run.args,
                        folder.path(), folder / L"trace.txt"),
              run.exitCode);

    const int osCode = int(run.version.versionHalf << 16 | (win64 ? 9 : 0));
    std::wstring trace = L"-----LoadINIFile file start-----\n" + (folder / L"Perinax.ini\n");
    if (!run.ini) trace += L"Please check the path of INI file!\n";
    trace += L"OS version " + std::to_wstring(osCode) + L"\n";
    if (run.version.section)
      trace += L"CheckINISection " + std::wstring(run.version.section) + L"\n";
    if (!run.ini) {
      trace += L"No registry target in the INI file\n";
    } else if (win64) {
      trace += L"m_szReg64KeyPath " + path64 + L"\n" + (run.wow6432Node ? key : L"Not find") +
               L"\nszRegPath " + key + L"\nWriteToReg\nX64\n" + (again ? L"open\n" : L"create\n");
    } else {
      trace += again ? L"WriteToReg\nwin 7 " : L"WriteToReg\n";
    }
    if (run.ini) trace += L"Write VUZA Value\n";
    trace += L"-----LoadINIFile file end-----\n";
    const std::wstring setupLine = (L"Setup CMD " + run.args).substr(0, 259) + L"\n";
    trace += setupLine + setupLine;
    const bool started = run.ini && run.exitCode != 1603;
    if (started) {
      trace += L"CreateProcess\nWaitForSingleObject\n" +
               (run.exitCode == 259 ? L"Still running"
                                    : L"Exit Code " + std::to_wstring(int(run.exitCode))) +
               L"\n";
    }
    // Wine may pass debug strings through the ANSI code page: compare both after that trip.
    const auto ansi = [](const std::wstring& text) {
      return wine::Wide(wine::Narrow(text, CP_ACP), CP_ACP);
    };
    EXPECT_EQ(ansi(wine::Wide(wine::ReadBytes(folder / L"trace.txt").value_or(""))), ansi(trace));
    EXPECT_EQ(wine::ReadBytes(folder / L"setup-received.txt"),
              started ? std::optional(wine::Narrow(run.args)) : std::nullopt);
  }

  // The value lands in the view its path names, and only there (keys outside SOFTWARE are shared).
  const DWORD view = run.wow6432Node ? RRF_SUBKEY_WOW6432KEY : RRF_SUBKEY_WOW6464KEY;
  const DWORD otherView = run.wow6432Node ? RRF_SUBKEY_WOW6464KEY : RRF_SUBKEY_WOW6432KEY;
  const std::wstring name = run.ini ? section : L"Unknow";
  EXPECT_EQ(wine::MachineDword(key, name, win64 ? view : 0),
            run.ini ? std::optional<DWORD>(win64 ? 64 : 32) : std::nullopt);
  if (win64 && run.ini) {
    EXPECT_FALSE(wine::MachineDword(key, name, otherView));
  }
  wine::RemoveMachineKey(key);
}

}  // namespace

TEST(PerinaxEndToEnd, RunsTheSetupProgramWithTheArgumentTextAndEndsWithItsExitCode) {
  std::wstring longText = L"/exitcode=7";
  for (int i = 0; longText.size() < 4000; ++i) longText += L" \"part " + std::to_wstring(i) + L"\"";
  longText.resize(4000);
  const LauncherRun runs[] = {
      {L"vista", wine::kVista, L"/S /v\"/qn REBOOT=ReallySuppress\" /exitcode=1", 1},
      {L"win7", wine::kWin7, L"a\tb  c \"d  e\" /exitcode=3010", 3010},
      {L"win8", wine::kWin8,
       L"/exitcode=0 Gr\u00fc\u00dfe \u0395\u03bb\u03bb\u03ac\u03b4\u03b1 \u65e5\u672c", 0},
      {L"win81", wine::kWin81, L"/exitcode=-1", 0xFFFFFFFF, true, L"\\setup.exe"},
      {L"win10", wine::kWin10, L"/exitcode=259 \"C:\\Program Files\\x\"", 259},
      {L"empty", wine::kWin7, L"", 0, true, L"setup.exe", true},
      {L"long", wine::kWin10, longText, 7},
      // No INI file: every setting is "Unknow"; no HKLM\\Unknow is made, no program found.
      {L"noini", wine::kWin7, L"/q", 1603, false},
      {L"nosetup", wine::kWin81, L"/q \"a b\"", 1603, true, L"missing.exe"},
  };
  for (const LauncherRun& run : runs) RunAndCheck(run);
}
