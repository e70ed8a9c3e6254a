#include "registry/registry_win32.h"

#include "common/system_functions_win32.h"

std::int32_t Win32Registry::OpenKey(const wchar_t* path, std::uint32_t access, RegKey* key) {
  HKEY opened = nullptr;
  const auto open = System().RegOpenKeyExW;
  const LSTATUS status =
      open != nullptr ? open(HKEY_LOCAL_MACHINE, path, 0, access, &opened) : kFunctionMissingStatus;
  *key = status == ERROR_SUCCESS ? opened : nullptr;
  return status;
}

std::int32_t Win32Registry::CreateKey(const wchar_t* path, std::uint32_t access, RegKey* key) {
  HKEY created = nullptr;
  DWORD disposition = 0;
  const auto create = System().RegCreateKeyExW;
  const LSTATUS status = create != nullptr
                             ? create(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      access, nullptr, &created, &disposition)
                             : kFunctionMissingStatus;
  *key = status == ERROR_SUCCESS ? created : nullptr;
  return status;
}

std::int32_t Win32Registry::SetDwordValue(RegKey key, const wchar_t* name, std::uint32_t value) {
  const DWORD data = value;
  const auto set = System().RegSetValueExW;
  if (set == nullptr) return kFunctionMissingStatus;
  return set(static_cast<HKEY>(key), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
             sizeof(data));
}

void Win32Registry::CloseKey(RegKey key) {
  // A key can only have been opened through the same DLL, so this is present then.
  if (const auto close = System().RegCloseKey) close(static_cast<HKEY>(key));
}

void Win32Registry::DisableFsRedirection(void** oldValue) {
  Wow64DisableWow64FsRedirection(oldValue);
}

void Win32Registry::RevertFsRedirection(void* oldValue) {
  Wow64RevertWow64FsRedirection(oldValue);
}
