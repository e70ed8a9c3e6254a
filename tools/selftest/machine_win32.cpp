#include "tools/selftest/machine_win32.h"

#include <cwchar>
#include <utility>

#include "osinfo/os_version.h"

namespace {

// A registry key, closed when it goes.
class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY* put() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The version Wine shows Perinax.exe when one is set for it alone: Wine's names of the
// releases Perinax tells apart.
std::optional<std::pair<DWORD, DWORD>> WineVersionForPerinax() {
  wchar_t name[64] = L"";
  DWORD size = sizeof(name);
  if (RegGetValueW(HKEY_CURRENT_USER, kWinePerinaxSettings, L"Version", RRF_RT_REG_SZ, nullptr,
                   name, &size) != ERROR_SUCCESS)
    return std::nullopt;
  const std::pair<const wchar_t*, std::pair<DWORD, DWORD>> names[] = {
      {L"vista", {6, 0}}, {L"win2008", {6, 0}}, {L"win7", {6, 1}},   {L"win2008r2", {6, 1}},
      {L"win8", {6, 2}},  {L"win81", {6, 3}},   {L"win10", {10, 0}}, {L"win11", {10, 0}},
  };
  for (const auto& [known, version] : names) {
    if (_wcsicmp(known, name) == 0) return version;
  }
  return std::pair<DWORD, DWORD>{0, 0};  // a name not known here
}

void Collect(HKEY key, const std::wstring& path, RegistryView storage,
             std::vector<StoredValue>* values) {
  wchar_t name[16384];
  for (DWORD at = 0;; ++at) {
    DWORD nameChars = 16384, type = 0, value = 0, size = sizeof(value);
    const LSTATUS status = RegEnumValueW(key, at, name, &nameChars, nullptr, &type,
                                         reinterpret_cast<BYTE*>(&value), &size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    const bool dword = status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(value);
    values->push_back({storage, path, std::wstring(name, nameChars), dword ? value : 0xFFFFFFFF});
  }
  for (DWORD at = 0;; ++at) {
    DWORD nameChars = 256;
    if (RegEnumKeyExW(key, at, name, &nameChars, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    const std::wstring subkey(name, nameChars);
    Key child;
    if (RegOpenKeyExW(key, subkey.c_str(), 0, KEY_READ | ViewBits(storage), child.put()) ==
        ERROR_SUCCESS)
      Collect(child.get(), std::wstring(path).append(L"\\").append(subkey), storage, values);
  }
}

}  // namespace

bool RunsUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::optional<OSVersionCode> ThisWindowsCode(std::wstring* why) {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (rtlGetVersion == nullptr || rtlGetVersion(&info) != 0) {
    *why = L"RtlGetVersion cannot tell this Windows' version";
    return std::nullopt;
  }
  if (RunsUnderWine()) {
    if (const auto version = WineVersionForPerinax()) {
      if (version->first == 0) {
        *why = L"Wine's Version for Perinax.exe names a version the self-test does not know";
        return std::nullopt;
      }
      info.dwMajorVersion = version->first;
      info.dwMinorVersion = version->second;
    }
  }
  SYSTEM_INFO system{};
  GetNativeSystemInfo(&system);
  // The launcher reads WMI's text ("10.0.19045"): the same text, read by the launcher's own
  // rule, gives the code it should report.
  wchar_t text[64];
  static_cast<void>(std::swprintf(text, 64, L"%lu.%lu.%lu", info.dwMajorVersion,
                                  info.dwMinorVersion, info.dwBuildNumber));
  OSVersionCode code = kOSProbeFailed;
  if (!ParseOSVersionText(text, system.wProcessorArchitecture, &code)) {
    *why = L"the version text " + std::wstring(text) + L" cannot be read";
    return std::nullopt;
  }
  return code;
}

REGSAM ViewBits(RegistryView storage) {
  switch (storage) {
    case RegistryView::k64:
      return KEY_WOW64_64KEY;
    case RegistryView::k32:
      return KEY_WOW64_32KEY;
    case RegistryView::kOnlyView:
      break;
  }
  return 0;
}

std::optional<DWORD> MachineDword(const std::wstring& path, const std::wstring& name, DWORD view) {
  DWORD value = 0, size = sizeof(value);
  return RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), name.c_str(), RRF_RT_REG_DWORD | view,
                      nullptr, &value, &size) == ERROR_SUCCESS
             ? std::optional(value)
             : std::nullopt;
}

void RemoveMachineKey(const std::wstring& path) {
  if (path.empty()) return;  // that would be all of HKLM
  const std::size_t split = path.find_last_of(L'\\');
  const std::wstring parent = split == std::wstring::npos ? L"" : path.substr(0, split);
  const std::wstring leaf = path.substr(split + 1);
  for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, parent.c_str(), 0, KEY_ALL_ACCESS | view, key.put()) ==
        ERROR_SUCCESS) {
      RegDeleteTreeW(key.get(), leaf.c_str());
      RegDeleteKeyExW(key.get(), leaf.c_str(), view, 0);
    }
  }
}

bool RunsUnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::vector<StoredValue> ValuesBelow(const std::wstring& path, bool twoViews) {
  std::vector<StoredValue> values;
  const std::vector<RegistryView> storages = twoViews
                                                 ? std::vector{RegistryView::k64, RegistryView::k32}
                                                 : std::vector{RegistryView::kOnlyView};
  for (const RegistryView storage : storages) {
    Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | ViewBits(storage),
                      key.put()) == ERROR_SUCCESS)
      Collect(key.get(), path, storage, &values);
  }
  return values;
}
