// The real Perinax.exe under Wine starting what installer authors start: the demo's package (from
// examples/perinax-demo.wxs) with a property and refused, msiexec.exe on the PATH, a .cmd script.
// Each run's trace after the configuration phase, its exit code, what was installed or received.

#include <gtest/gtest.h>

#include <algorithm>

#include "wine_support.h"

namespace {

const std::wstring kPackageKey = L"SOFTWARE\\Perinax\\DemoPackage";  // the package's own value
const std::wstring kEnd = L"-----LoadINIFile file end-----";

struct Start {
  const wchar_t* setupFile;
  std::wstring args;
  DWORD code;
  bool started = true;                     // false: Perinax's own 1603, the start failed
  std::optional<std::wstring> greeting{};  // the package's value afterwards, or not installed
  std::optional<std::string> received{};   // what the script wrote into the current directory
};

// The value the package writes, in the 32-bit view (this process's own), if it is installed.
std::optional<std::wstring> Greeting() {
  wchar_t text[512] = {};
  DWORD size = sizeof(text);
  return RegGetValueW(HKEY_LOCAL_MACHINE, kPackageKey.c_str(), L"Greeting", RRF_RT_REG_SZ, nullptr,
                      text, &size) == ERROR_SUCCESS
             ? std::optional<std::wstring>(text)
             : std::nullopt;
}

}  // namespace

TEST(PerinaxInstallers, StartsPackagesAndScriptsWithTheArgumentTextAndPassesTheirExitCodeOn) {
  // A quoted value ending in a backslash, which the C runtime's way of splitting a command line
  // takes for an escaped quote. Wine's msiexec folds a run of blanks; the script shows they pass.
  const Start starts[] = {
      {L"perinax-demo.msi", L"/qn GREETING=\"C:\\Program Files\\Contoso\\\" /norestart", 0, true,
       L"C:\\Program Files\\Contoso\\"},
      // The launch condition fails: msiexec's own 1603, after a start and a wait.
      {L"perinax-demo.msi", L"/qn REFUSE=1 GREETING=x", 1603},
      // Nothing to start: Perinax's own 1603, with no line after the two "Setup CMD".
      {L"missing.msi", L"/qn", 1603, false},
      // Without a folder the shell also looks on the PATH; ".\" keeps it to the current directory.
      {L"msiexec.exe", L"/i perinax-demo.msi /qn GREETING=found", 0, true, L"found"},
      {L".\\msiexec.exe", L"/i perinax-demo.msi /qn GREETING=found", 1603, false},
      {L"scripts\\setup.cmd", L"/quiet \"C:\\Program Files\\x\\\"  two  blanks", 5, true,
       std::nullopt, "/quiet \"C:\\Program Files\\x\\\"  two  blanks\r\n"},
  };
  for (const Start& start : starts) {
    SCOPED_TRACE(wine::Narrow(start.setupFile + (L" " + start.args)));
    const wine::TempFolder folder(L"perinax installer");
    CopyFileW((wine::kBuildDir + L"/examples/perinax-demo.msi").c_str(),
              (folder / L"perinax-demo.msi").c_str(), FALSE);
    // The script writes its %* into the current directory, which is Perinax's, not its own folder.
    CreateDirectoryW((folder / L"scripts").c_str(), nullptr);
    wine::WriteBytes(folder / L"scripts\\setup.cmd", "@>received.txt echo %*\r\n@exit /b 5\r\n");
    wine::WriteBytes(folder / L"Perinax.ini",
                     "[Default]\r\nSetupFile=" + wine::Narrow(start.setupFile) +
                         "\r\nRegPath32KeyPath=\r\nRegPath64KeyPath=\r\n");
    const auto [code, trace] = wine::RunTraced(folder.path, start.args);

    EXPECT_EQ(code, start.code);
    const auto end = std::find(trace.begin(), trace.end(), kEnd);
    ASSERT_NE(end, trace.end());
    EXPECT_EQ(std::vector(end + 1, trace.end()),
              wine::StartTrace(start.args, start.code, start.started));
    const std::optional<std::wstring> greeting = Greeting();
    EXPECT_EQ(greeting, start.greeting);
    EXPECT_EQ(wine::ReadBytes(folder / L"received.txt"), start.received);
    // The next run must install afresh, not repair.
    if (greeting) {
      wine::Run(L"msiexec.exe /x \"" + (folder / L"perinax-demo.msi") + L"\" /qn", folder.path,
                folder / L"uninstall.txt");
    }
  }
}
