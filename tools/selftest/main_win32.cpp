// perinax-selftest: tests the Perinax.exe beside it on the Windows it runs on, as that Windows
// is, each test a real run in a scratch folder of its own below %TEMP%, its values below
// HKLM\SOFTWARE\Perinax-SelfTest; both are removed whatever happens. One line a test, then
// "N passed, M failed"; --log FILE writes the same as a trace-log (CMTrace) file, --junit FILE
// as JUnit XML. Exits with 0 when every test passed, 1 when any failed, 2 when it cannot test.
//
//   perinax-selftest.exe --log C:\Windows\Logs\perinax-selftest.log --junit selftest.xml

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/command_line.h"
#include "common/dll_fence_win32.h"
#include "perinax_version.h"
#include "tools/common/output_win32.h"
#include "tools/common/version_banner.h"
#include "tools/selftest/cases.h"
#include "tools/selftest/machine_win32.h"
#include "tools/selftest/report.h"
#include "tools/selftest/resources.h"
#include "tools/trace/log_file_win32.h"

namespace {

constexpr int kAllPassed = 0, kSomeFailed = 1, kCannotTest = 2;
constexpr wchar_t kName[] = L"perinax-selftest";
constexpr wchar_t kUsage[] =
    L"usage: perinax-selftest [--log FILE] [--junit FILE] [--only TEXT] | --help | --version\n"
    L"Run as administrator from the folder that holds Perinax.exe. --only runs the tests whose\n"
    L"names hold TEXT.";

struct Options {
  std::wstring log, junit, only;
  bool help = false, version = false;
  std::wstring error;
};

Options ParseOptions(int argc, wchar_t** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::wstring option = argv[i];
    if (option == L"--help" || option == L"/?") {
      options.help = true;
    } else if (option == L"--version") {
      options.version = true;
    } else if (option == L"--log" && i + 1 < argc) {
      options.log = argv[++i];
    } else if (option == L"--junit" && i + 1 < argc) {
      options.junit = argv[++i];
    } else if (option == L"--only" && i + 1 < argc) {
      options.only = argv[++i];
    } else {
      options.error = L"unknown option or missing file: " + option;
    }
  }
  return options;
}

std::wstring OwnFolder() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path.substr(0, path.find_last_of(L'\\'));
}

bool Extract(int id, const std::wstring& path) {
  const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
  const HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
  if (loaded == nullptr) return false;
  const auto* bytes = static_cast<const char*>(LockResource(loaded));
  WriteFileBytes(path, std::string(bytes, SizeofResource(nullptr, found)));
  return FileBytes(path).has_value();
}

// The scratch folder and key, emptied before the tests and removed after them, also when the
// self-test is stopped at its console.
const std::wstring& ScratchFolder() {
  static const std::wstring folder =
      (std::filesystem::temp_directory_path() / L"Perinax-SelfTest").wstring();
  return folder;
}

void RemoveScratch() {
  RemoveMachineKey(kScratchKey);
  std::error_code ignored;
  std::filesystem::remove_all(ScratchFolder(), ignored);
}

BOOL WINAPI OnStop(DWORD) {
  RemoveScratch();
  return FALSE;  // and then end as the console asked
}

int CannotTest(const std::wstring& why) {
  Output(STD_ERROR_HANDLE).WriteLine(L"perinax-selftest: cannot test: " + why);
  return kCannotTest;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  WriteFileBytes(path, bytes);
  return FileBytes(path) == bytes;
}

int RunTests(const SelfTestPlace& place, const Options& options) {
  Output out(STD_OUTPUT_HANDLE);
  std::vector<TestOutcome> outcomes;
  for (const auto* list : {&PhaseTests(), &LaunchTests()}) {
    for (const SelfTest& test : *list) {
      if (std::wstring(test.name).find(options.only) == std::wstring::npos) continue;
      const ULONGLONG start = GetTickCount64();
      TestOutcome outcome{test.name, test.run(place)};
      outcome.seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;
      out.WriteLine(ResultLine(outcome));
      outcomes.push_back(outcome);
    }
  }
  RemoveScratch();
  if (outcomes.empty()) return CannotTest(L"no test's name holds \"" + options.only + L"\"");
  bool written = true;
  if (!options.log.empty())
    written = WriteWholeFile(
        options.log, TraceLogRecords(outcomes, Now(), GetCurrentProcessId(), GetCurrentThreadId()));
  if (!options.junit.empty())
    written = WriteWholeFile(options.junit, JUnitXml(outcomes, kName)) && written;
  if (!written)
    Output(STD_ERROR_HANDLE).WriteLine(L"perinax-selftest: a report file cannot be written");
  const std::wstring summary = SummaryLine(outcomes);
  out.WriteLine(summary);
  return summary.ends_with(L" 0 failed") && written ? kAllPassed : kSomeFailed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Started from the release folder, beside files anyone may have put there.
  static_cast<void>(FenceDllSearchPath());
  const Options options = ParseOptions(argc, argv);
  if (!options.error.empty()) {
    Output(STD_ERROR_HANDLE).WriteLine(L"perinax-selftest: " + options.error + L"\n" + kUsage);
    return kCannotTest;
  }
  if (options.help || options.version) {
    Output(STD_OUTPUT_HANDLE).WriteLine(options.help ? kUsage : VersionBanner(kName));
    return kAllPassed;
  }
  SelfTestPlace place{OwnFolder() + L"\\Perinax.exe", ScratchFolder(), ScratchFolder() + L"\\bin",
                      kOSProbeFailed, RunsUnderWow64()};
  if (GetFileAttributesW(place.perinax.c_str()) == INVALID_FILE_ATTRIBUTES)
    return CannotTest(L"there is no Perinax.exe beside perinax-selftest.exe (" + place.perinax +
                      L")");
  std::wstring why;
  const std::optional<OSVersionCode> code = ThisWindowsCode(&why);
  if (!code) return CannotTest(why);
  place.code = *code;

  SetConsoleCtrlHandler(&OnStop, TRUE);
  RemoveScratch();
  HKEY key = nullptr;
  const LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kScratchKey, 0, nullptr, 0, KEY_WRITE,
                                         nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS)
    return CannotTest(L"HKLM\\" + std::wstring(kScratchKey) + L" cannot be written (" +
                      SystemErrorText(static_cast<DWORD>(status)) + L"): run it as administrator");
  RegCloseKey(key);
  std::error_code ignored;
  std::filesystem::create_directories(place.helpers, ignored);
  if (!Extract(PERINAX_SELFTEST_SETUP, place.helpers + L"\\setup.exe") ||
      !Extract(PERINAX_SELFTEST_PLANTED_DLL, place.helpers + L"\\planted.dll") ||
      !Extract(PERINAX_SELFTEST_MSI, place.helpers + L"\\selftest.msi")) {
    RemoveScratch();
    return CannotTest(L"its helpers cannot be written into " + place.helpers);
  }
  return RunTests(place, options);
}
