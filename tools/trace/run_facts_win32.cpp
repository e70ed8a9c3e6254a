#include "tools/trace/run_facts_win32.h"

#include <cwchar>
#include <vector>

#include "common/handle_win32.h"
#include "lib/ini/ini_reader.h"
#include "tools/common/tool_functions_win32.h"

namespace {

// A registry key, closed when it goes.
class OwnedKey {
 public:
  explicit OwnedKey(HKEY key) : key_(key) {}
  OwnedKey(const OwnedKey&) = delete;
  OwnedKey& operator=(const OwnedKey&) = delete;
  ~OwnedKey() { Tools().RegCloseKey(key_); }
  HKEY get() const { return key_; }

 private:
  HKEY key_;
};

std::wstring CurrentFolder() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(size, L'\0');
  folder.resize(size != 0 ? GetCurrentDirectoryW(size, folder.data()) : 0);
  return folder;
}

// "DOMAIN\user" of the viewer's process token, which the program inherits.
std::wstring AccountName() {
  const ToolFunctions& f = Tools();
  HANDLE raw = nullptr;
  if (f.OpenProcessToken == nullptr || f.GetTokenInformation == nullptr ||
      f.LookupAccountSidW == nullptr || !f.OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
    return {};
  const KernelHandle token(raw);
  DWORD size = 0;
  static_cast<void>(f.GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size));
  // TOKEN_USER holds a pointer: the buffer is of pointers, so that it is aligned for one.
  std::vector<void*> buffer(size / sizeof(void*) + 1);
  if (size == 0 || !f.GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
    return {};
  const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
  wchar_t name[257], domain[257];
  DWORD nameSize = 257, domainSize = 257;
  SID_NAME_USE use{};
  if (!f.LookupAccountSidW(nullptr, user->User.Sid, name, &nameSize, domain, &domainSize, &use))
    return {};
  return domainSize != 0 ? std::wstring(domain) + L"\\" + name : std::wstring(name);
}

std::wstring ImagePath(HANDLE process) {
  std::wstring path(32768, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  path.resize(QueryFullProcessImageNameW(process, 0, path.data(), &size) ? size : 0);
  return path;
}

// The FileVersion text of the version resource's first language.
std::optional<std::wstring> FileVersionOf(const std::wstring& path) {
  const ToolFunctions& f = Tools();
  if (f.GetFileVersionInfoSizeW == nullptr || f.GetFileVersionInfoW == nullptr ||
      f.VerQueryValueW == nullptr)
    return std::nullopt;
  DWORD ignored = 0;
  const DWORD size = f.GetFileVersionInfoSizeW(path.c_str(), &ignored);
  std::vector<BYTE> data(size);
  void* found = nullptr;
  UINT length = 0;
  if (size == 0 || !f.GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
      !f.VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &found, &length) ||
      length < 2 * sizeof(WORD))
    return std::nullopt;
  const WORD* language = static_cast<const WORD*>(found);
  wchar_t block[64];
  static_cast<void>(std::swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion",
                                  language[0], language[1]));
  if (!f.VerQueryValueW(data.data(), block, &found, &length) || length == 0) return std::nullopt;
  return std::wstring(static_cast<const wchar_t*>(found));
}

std::optional<std::string> FileBytes(const std::wstring& path) {
  const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return std::nullopt;
  std::string bytes;
  char chunk[65536];
  DWORD read = 0;
  while (ReadFile(file.get(), chunk, sizeof(chunk), &read, nullptr) && read != 0)
    bytes.append(chunk, read);
  return bytes;
}

ReadBack ReadDword(const ReadBackTarget& target) {
  const ToolFunctions& f = Tools();
  if (f.RegOpenKeyExW == nullptr || f.RegQueryValueExW == nullptr || f.RegCloseKey == nullptr)
    return {ERROR_PROC_NOT_FOUND, 0, SystemErrorText(ERROR_PROC_NOT_FOUND)};
  HKEY raw = nullptr;
  LSTATUS status = f.RegOpenKeyExW(HKEY_LOCAL_MACHINE, target.key.c_str(), 0,
                                   KEY_QUERY_VALUE | ViewAccessBits(target.view), &raw);
  if (status != ERROR_SUCCESS) return {status, 0, SystemErrorText(static_cast<DWORD>(status))};
  const OwnedKey key(raw);
  DWORD type = REG_NONE, value = 0, size = sizeof(value);
  status = f.RegQueryValueExW(key.get(), target.name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(&value), &size);
  // A value of another type, or a longer one, is not the number Perinax writes.
  if (status == ERROR_MORE_DATA || (status == ERROR_SUCCESS && (type != REG_DWORD || size != 4)))
    status = ERROR_UNSUPPORTED_TYPE;
  if (status != ERROR_SUCCESS) return {status, 0, SystemErrorText(static_cast<DWORD>(status))};
  return {0, value, {}};
}

}  // namespace

RunPlace ReportBeforeRun(LogFile& log, const wchar_t* commandLine, HANDLE process) {
  RunPlace place{CurrentFolder(), std::nullopt};
  place.iniBytes = FileBytes(PathInFolder(place.folder, kIniFileName));
  BeforeRunFacts facts{{}, std::nullopt, place.folder, AccountName(), std::nullopt};
  if (process != nullptr) {
    const std::wstring image = ImagePath(process);
    facts.programName = image.substr(image.find_last_of(L'\\') + 1);
    facts.programVersion = FileVersionOf(image);
  }
  if (place.iniBytes) facts.iniDigest = Sha256Of(*place.iniBytes);
  for (const ViewerLine& line : RunnerRecords(facts)) Report(log, line);
  LogOwn(log, {Severity::kInformation, std::wstring(L"running ") + commandLine});
  Report(log, IniRecord(facts));
  return place;
}

void ReportAfterRun(LogFile& log, const RunPlace& place, const RunWatch& watch) {
  const IniReader ini =
      place.iniBytes ? IniReader::FromBytes(*place.iniBytes) : IniReader::Missing();
  const std::optional<CasePlan> plan = PlanOfRun(watch, ini, place.folder);
  if (!plan) return;
  std::optional<ReadBack> readBack;
  if (const std::optional<ReadBackTarget> target = ReadBackTargetOf(*plan))
    readBack = ReadDword(*target);
  for (const ViewerLine& line :
       AfterRunRecords({*plan, ini.exists(), place.folder, watch.started(), readBack}))
    Report(log, line);
}
