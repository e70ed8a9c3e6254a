// The launch on this Windows: the argument text whole, the exit code passed on, the starts that
// must fail, a package through its association and a script, planted DLLs, and no window.

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "tools/common/utf.h"
#include "tools/selftest/cases.h"
#include "tools/selftest/machine_win32.h"

namespace {

// Starts `setupFile` and writes no value.
std::string Ini(const std::string& setupFile) {
  return "[Default]\r\n" + (setupFile.empty() ? "" : "SetupFile=" + setupFile + "\r\n") +
         "RegPath32KeyPath=\r\nRegPath64KeyPath=\r\n";
}

std::wstring Check(const SelfTestPlace& place, const wchar_t* name, const CaseRun& run) {
  return RunCase(place, CaseFolder(place, name), run).failure;
}

std::wstring Blanks(const SelfTestPlace& place) {
  return Check(place, L"args",
               {Ini("setup.exe"),
                L"/exitcode=0 \"C:\\Program Files\\a  b\\\"  two  blanks\ttab\t\t"
                L"Gr\u00fc\u00dfe \u0395\u03bb\u03bb\u03ac\u03b4\u03b1 \u65e5\u672c \"",
                0});
}

std::wstring LongArgs(const SelfTestPlace& place) {
  std::wstring args = L"/exitcode=0";
  while (args.size() < 8000) args += L" \"a b\" c\u00e9";
  args.resize(8000);
  return Check(place, L"args-8000", {Ini("setup.exe"), args, 0});
}

template <std::uint32_t kCode>
std::wstring ExitCode(const SelfTestPlace& place) {
  return Check(place, L"exit", {Ini("setup.exe"), L"/exitcode=" + std::to_wstring(kCode), kCode});
}

std::wstring Crash(const SelfTestPlace& place) {
  return Check(place, L"crash", {Ini("setup.exe"), L"/crash", EXCEPTION_ACCESS_VIOLATION});
}

std::wstring MissingProgram(const SelfTestPlace& place) {
  return Check(place, L"missing", {Ini("missing.exe"), L"/q", std::nullopt});
}

std::wstring NoIni(const SelfTestPlace& place) {
  return Check(place, L"no-ini", {std::nullopt, L"/q", std::nullopt});
}

std::wstring NoSetupFile(const SelfTestPlace& place) {
  return Check(place, L"no-setupfile", {Ini(""), L"/q", std::nullopt});
}

std::wstring FolderAsSetupFile(const SelfTestPlace& place) {
  const std::wstring folder = CaseFolder(place, L"folder");
  CreateDirectoryW((folder + L"\\setup").c_str(), nullptr);
  return RunCase(place, folder, {Ini("setup"), L"/q", std::nullopt}).failure;
}

std::wstring Script(const SelfTestPlace& place) {
  const std::wstring folder = CaseFolder(place, L"cmd");
  CreateDirectoryW((folder + L"\\scripts").c_str(), nullptr);
  // %* into the current directory, which is Perinax's, not the script's own folder.
  WriteFileBytes(folder + L"\\scripts\\setup.cmd", "@>received.txt echo %*\r\n@exit /b 5\r\n");
  const std::wstring args = L"/quiet \"C:\\Program Files\\x\\\"  two  blanks";
  CaseRun run{Ini("scripts\\setup.cmd"), args, 5};
  run.checkReceived = false;
  CaseResult result = RunCase(place, folder, run);
  if (FileBytes(folder + L"\\received.txt") != Utf8FromUtf16(args) + "\r\n")
    AddFailure(&result.failure, L"the script did not receive the argument text whole");
  return result.failure;
}

// Nothing from the folder Perinax.exe starts from is loaded into it: a DLL of the self-test's
// own, beside a copy of Perinax.exe under the name of every DLL a clean run loaded, is never
// loaded, and the run stays the same. The setup program lives elsewhere: it is not Perinax's.
std::wstring PlantedDlls(const SelfTestPlace& place) {
  const std::wstring folder = CaseFolder(place, L"media");
  DeleteFileW((folder + L"\\setup.exe").c_str());
  const std::wstring perinax = folder + L"\\Perinax.exe";
  if (!CopyFileW(place.perinax.c_str(), perinax.c_str(), FALSE))
    return L"Perinax.exe cannot be copied into " + folder;
  CaseRun run{Ini(Utf8FromUtf16(place.helpers + L"\\setup.exe")), L"/exitcode=7", 7};
  run.perinax = perinax;
  CaseResult clean = RunCase(place, folder, run);
  std::set<std::wstring> names;
  for (const std::wstring& dll : clean.run.dlls) {
    std::wstring name = dll.substr(dll.find_last_of(L"\\/") + 1);
    std::transform(name.begin(), name.end(), name.begin(), ::towlower);
    names.insert(name);
  }
  if (names.empty()) AddFailure(&clean.failure, L"no DLL load was seen");
  const std::wstring plantedDll = place.helpers + L"\\planted.dll";
  for (const std::wstring& name : names) {
    std::wstring planted = folder;
    planted.append(L"\\").append(name);
    CopyFileW(plantedDll.c_str(), planted.c_str(), FALSE);
  }
  CaseResult planted = RunCase(place, folder, run);
  std::wstring failure = clean.failure;
  if (!planted.failure.empty()) AddFailure(&failure, L"with the DLLs planted: " + planted.failure);
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    if (entry.path().extension() == L".loaded")
      AddFailure(&failure, L"loaded: " + entry.path().stem().wstring());
  }
  return failure;
}

// A setup program that waits a while, and a document with no program for it, whose failed start
// would show the shell's error box: Perinax shows neither a window nor a box (each run ends it
// after a second of any window).
std::wstring NoWindow(const SelfTestPlace& place) {
  std::wstring failure = Check(place, L"window", {Ini("setup.exe"), L"/sleep=1500", 0});
  const std::wstring folder = CaseFolder(place, L"error-box");
  WriteFileBytes(folder + L"\\setup.perinaxbad", "a document of no known type");
  const std::wstring box =
      RunCase(place, folder, {Ini("setup.perinaxbad"), L"/q", std::nullopt}).failure;
  if (!box.empty()) AddFailure(&failure, L"a document without a program: " + box);
  return failure;
}

}  // namespace

std::wstring PackageThroughAssociation(const SelfTestPlace& place);  // cases_package_win32.cpp

const std::vector<SelfTest>& LaunchTests() {
  static const std::vector<SelfTest> tests = {
      {L"argument text whole: quotes, runs of blanks, tabs, non-ASCII", &Blanks},
      {L"argument text of 8,000 characters whole", &LongArgs},
      {L"exit code 0 passed on", &ExitCode<0>},
      {L"exit code 1 passed on", &ExitCode<1>},
      {L"exit code 3010 passed on", &ExitCode<3010>},
      {L"exit code 0xFFFFFFFF passed on", &ExitCode<0xFFFFFFFF>},
      {L"a crash's exit code passed on", &Crash},
      {L"a failed start ends with 1603", &MissingProgram},
      {L"no Perinax.ini: nothing started, 1603", &NoIni},
      {L"no SetupFile: nothing started, 1603", &NoSetupFile},
      {L"a folder as SetupFile: nothing started, 1603", &FolderAsSetupFile},
      {L".msi through its association, with its properties", &PackageThroughAssociation},
      {L".cmd script with the argument text whole", &Script},
      {L"DLLs planted beside Perinax.exe never loaded", &PlantedDlls},
      {L"no window and no error box", &NoWindow},
  };
  return tests;
}
