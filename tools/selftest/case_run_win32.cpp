#include "tools/selftest/case_run_win32.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "launch/setup_runner.h"
#include "lib/ini/ini_reader.h"
#include "settings/ini_settings.h"
#include "tools/common/utf.h"
#include "tools/selftest/machine_win32.h"

namespace {

std::wstring ListOf(const std::vector<StoredValue>& values) {
  std::wstring text;
  for (const StoredValue& value : values) text += (text.empty() ? L"" : L"; ") + Describe(value);
  return text.empty() ? L"none" : text;
}

// Makes the key the plan writes to, in the storage it belongs in, so that Perinax opens it.
void MakeKey(const StoredValue& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, value.key.c_str(), 0, nullptr, 0,
                      KEY_WRITE | ViewBits(value.storage), nullptr, &key, nullptr) == ERROR_SUCCESS)
    RegCloseKey(key);
}

}  // namespace

void AddFailure(std::wstring* failure, const std::wstring& reason) {
  *failure += (failure->empty() ? L"" : L"; ") + reason;
}

std::optional<std::string> FileBytes(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), {});
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
}

std::wstring CaseFolder(const SelfTestPlace& place, const std::wstring& name) {
  std::wstring folder = place.scratch;
  folder.append(L"\\").append(name);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  std::filesystem::create_directories(folder, ignored);
  CopyFileW((place.helpers + L"\\setup.exe").c_str(), (folder + L"\\setup.exe").c_str(), FALSE);
  return folder;
}

CaseResult RunCase(const SelfTestPlace& place, const std::wstring& folder, const CaseRun& run) {
  CaseResult result{{}, folder, {}};
  if (run.ini) WriteFileBytes(folder + L"\\" + kIniFileName, *run.ini);
  const IniReader ini = run.ini ? IniReader::FromBytes(*run.ini) : IniReader::Missing();
  const std::optional<std::filesystem::path> folderPath = std::filesystem::path(folder);
  const std::wstring file = PathInFolder(folder, kIniFileName);
  const CasePlan plan = PlanOsCode(place.code, {ini, folderPath, file, run.args});
  const std::optional<StoredValue> stored = StoredValueOf(plan);

  RemoveMachineKey(kScratchKey);
  if (run.keyExists && stored) MakeKey(*stored);
  result.run = RunTraced(run.perinax.empty() ? place.perinax : run.perinax, run.args, folder);
  const TracedRun& traced = result.run;
  std::wstring& failure = result.failure;
  if (!traced.started) {
    AddFailure(&failure, L"Perinax.exe could not be started under the debugger");
    return result;
  }

  const DWORD code = run.end.value_or(kLaunchFailedExitCode);
  if (traced.exitCode != code)
    AddFailure(&failure, L"exit code " + std::to_wstring(traced.exitCode) + L", expected " +
                             std::to_wstring(code));
  const std::wstring difference =
      TraceDifference(ExpectedTrace(plan, run.keyExists, run.end, run.args), traced.lines,
                      traced.ansi, &ThroughAnsi);
  if (!difference.empty()) AddFailure(&failure, difference);
  for (const std::wstring& window : traced.windows)
    AddFailure(&failure, L"Perinax.exe showed a window (" + window + L")");
  if (traced.ended) AddFailure(&failure, L"Perinax.exe had to be ended");

  const std::vector<StoredValue> found = ValuesBelow(kScratchKey, place.twoViews);
  std::vector<StoredValue> expected = run.alsoStored;
  if (stored) expected.insert(expected.begin(), *stored);
  if (found != expected)
    AddFailure(&failure, L"registry below HKLM\\" + std::wstring(kScratchKey) + L": " +
                             ListOf(found) + L", expected " + ListOf(expected));

  if (run.checkReceived) {
    const std::optional<std::string> received = FileBytes(folder + L"\\setup-received.txt");
    const std::optional<std::string> sent =
        run.end ? std::optional(Utf8FromUtf16(run.args)) : std::nullopt;
    if (received != sent)
      AddFailure(&failure, !sent       ? L"the setup program ran, but the start should fail"
                           : !received ? L"the setup program received nothing"
                                       : L"the setup program received \"" +
                                             Printable(Utf16FromUtf8(*received), 120) +
                                             L"\", not the argument text whole");
  }
  return result;
}
