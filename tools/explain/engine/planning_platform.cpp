#include "tools/explain/engine/planning_platform.h"

#include <algorithm>
#include <system_error>

#include "tools/common/utf.h"

namespace {

constexpr wchar_t kStandInFolder[] = L"C:\\Media";

// RPC_S_SERVER_UNAVAILABLE as an HRESULT: what ConnectServer reports when the
// WMI service cannot be reached.
constexpr HResult kWmiUnavailable = static_cast<HResult>(0x800706BAu);
constexpr std::int32_t kErrorFileNotFound = 2;
constexpr std::int32_t kErrorBadPathname = 161;

std::uint32_t CopyTerminated(const std::wstring& text, wchar_t* buffer, std::size_t capacity) {
  if (capacity == 0) return 0;
  const std::size_t count = std::min(text.size(), capacity - 1);
  std::copy_n(text.begin(), count, buffer);
  buffer[count] = L'\0';
  return static_cast<std::uint32_t>(count);
}

// A network path names a place seen from the target machine: it is never
// joined to the INI file's folder, nor looked up, on any build (checking an
// untrusted file must not contact the server it names).
bool IsNetworkPath(const std::wstring& path) {
  return path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') &&
         (path[1] == L'\\' || path[1] == L'/');
}

#ifdef _WIN32
bool IsTargetOnlyPath(const std::wstring& path) {
  return IsNetworkPath(path);
}
#else
// A drive letter, too, names a place on the target machine only.
bool IsTargetOnlyPath(const std::wstring& path) {
  return (path.size() >= 2 && path[1] == L':') || IsNetworkPath(path);
}
#endif

}  // namespace

std::optional<std::filesystem::path> LocalPathOf(const std::filesystem::path& iniFolder,
                                                 const std::wstring& setupFile) {
  if (IsTargetOnlyPath(setupFile)) return std::nullopt;
#ifdef _WIN32
  return iniFolder / std::filesystem::path(setupFile);
#else
  std::wstring local = setupFile;
  std::replace(local.begin(), local.end(), L'\\', L'/');
  return iniFolder / std::filesystem::path(Utf8FromUtf16(local));
#endif
}

std::uint32_t PlanningProfile::ReadCurrentDirectory(std::uint32_t size, wchar_t* buffer) {
  const std::wstring folder = kStandInFolder;
  if (folder.size() + 1 > size) return static_cast<std::uint32_t>(folder.size() + 1);
  return CopyTerminated(folder, buffer, size);
}

std::uint32_t PlanningProfile::GetString(const wchar_t* section, const wchar_t* key,
                                         const wchar_t* defaultText, wchar_t* buffer,
                                         std::uint32_t size, const wchar_t* file) {
  sectionRead_ = section;
  // SetupFile is read twice (the second time to learn whether it fits whole);
  // it counts as one key read.
  if (std::find(keysRead_.begin(), keysRead_.end(), key) == keysRead_.end()) {
    keysRead_.emplace_back(key);
  }
  return IniProfile::GetString(section, key, defaultText, buffer, size, file);
}

HResult PlanningOsProbe::ConnectServer(const wchar_t*) {
  return versionText_.empty() ? kWmiUnavailable : 0;
}

HResult PlanningOsProbe::ExecQuery(const char*, const char*) {
  handedOut_ = false;
  return 0;
}

WmiObject PlanningOsProbe::NextInstance() {
  if (handedOut_) return nullptr;
  handedOut_ = true;
  return &versionText_;
}

bool PlanningOsProbe::GetVersionText(WmiObject, wchar_t* text, std::size_t capacity) {
  CopyTerminated(versionText_, text, capacity);
  return true;
}

void PlanningOsProbe::ReleaseInstance(WmiObject) {}

std::int32_t PlanningRegistry::OpenKey(const wchar_t*, std::uint32_t, RegKey*) {
  return kErrorFileNotFound;
}

std::int32_t PlanningRegistry::CreateKey(const wchar_t* path, std::uint32_t access, RegKey* key) {
  if (path[0] == L'\\') {
    refused_ = true;
    return kErrorBadPathname;
  }
  created_ = Write{path, access, {}, 0};
  *key = &key_;
  return 0;
}

std::int32_t PlanningRegistry::SetDwordValue(RegKey key, const wchar_t* name, std::uint32_t value) {
  if (key != &key_ || !created_) return kErrorFileNotFound;
  written_ = *created_;
  written_->name = name;
  written_->value = value;
  return 0;
}

void PlanningRegistry::CloseKey(RegKey) {}
void PlanningRegistry::DisableFsRedirection(void** oldValue) {
  *oldValue = nullptr;
}
void PlanningRegistry::RevertFsRedirection(void*) {}

bool PlanningShell::IsFolder(const wchar_t* path) {
  if (!iniFolder_) return false;
  const auto look = [&]() -> std::optional<bool> {
    const std::optional<std::filesystem::path> local = LocalPathOf(*iniFolder_, path);
    std::error_code error;
    return local && std::filesystem::is_directory(*local, error);
  };
  return (folders_ != nullptr ? folders_->Of(path, look) : look()).value_or(false);
}

bool PlanningShell::Execute(const LaunchRecord& record, ProcessHandle*) {
  file_ = record.lpFile;
  return false;
}
