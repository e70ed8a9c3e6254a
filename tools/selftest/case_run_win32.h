#pragma once

// One test's run of the real Perinax.exe in a scratch folder of its own, checked whole against
// the checker's plan of it: the exit code, every trace line, what the setup program received,
// the registry value in the storage it belongs in and nowhere else below the scratch key, and
// no window. The scratch key is emptied before the run and left as the run left it.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "common/os_version_code.h"
#include "tools/selftest/expected_run.h"
#include "tools/selftest/perinax_run_win32.h"

// The scratch key, below HKLM in each view, removed before and after every run.
inline constexpr wchar_t kScratchKey[] = L"SOFTWARE\\Perinax-SelfTest";

// What every test shares.
struct SelfTestPlace {
  std::wstring perinax;  // the Perinax.exe under test
  std::wstring scratch;  // the scratch folder below %TEMP%
  std::wstring helpers;  // where the stand-in setup program and the planted DLL were put
  OSVersionCode code;    // what this Windows should make Perinax report
  // The self-test runs under WOW64 (x64 or ARM64 Windows): the machine has a 32-bit and a
  // 64-bit registry view, and every check looks in both.
  bool twoViews;
};

struct CaseRun {
  std::optional<std::string> ini;  // Perinax.ini's bytes; none: no file
  std::wstring args;
  SetupEnd end;  // none: the start fails (Perinax's own 1603)
  bool keyExists = false;
  // The setup program writes what it received into setup-received.txt; other programs do not.
  bool checkReceived = true;
  std::wstring perinax{};  // another copy of Perinax.exe, for the planted DLLs
  // Values the setup program itself leaves below the scratch key (a package's).
  std::vector<StoredValue> alsoStored{};
};

// What the run left, for checks of the test's own.
struct CaseResult {
  std::wstring failure;  // empty: every check passed
  std::wstring folder;
  TracedRun run;
};

// A folder of its own below the scratch folder, made afresh, with the stand-in setup program
// as setup.exe in it.
std::wstring CaseFolder(const SelfTestPlace& place, const std::wstring& name);

CaseResult RunCase(const SelfTestPlace& place, const std::wstring& folder, const CaseRun& run);

// Adds one reason to a failure text.
void AddFailure(std::wstring* failure, const std::wstring& reason);

// A file's bytes, or none when it cannot be read.
std::optional<std::string> FileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
