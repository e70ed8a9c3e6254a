#pragma once

#include <cstdint>

// An open registry key (an HKEY).
using RegKey = void*;

// The platform calls of the registry step. Keys are always below
// HKEY_LOCAL_MACHINE; results are Win32 error codes, 0 on success. A key is
// handed out only on success: after a failed open or create it is null.
class RegistryApi {
 public:
  // RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, access, key).
  [[nodiscard]] virtual std::int32_t OpenKey(const wchar_t* path, std::uint32_t access,
                                             RegKey* key) = 0;
  // RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, NULL, REG_OPTION_NON_VOLATILE,
  // access, NULL, key, &disposition).
  [[nodiscard]] virtual std::int32_t CreateKey(const wchar_t* path, std::uint32_t access,
                                               RegKey* key) = 0;
  // RegSetValueExW(key, name, 0, REG_DWORD, &value, 4).
  [[nodiscard]] virtual std::int32_t SetDwordValue(RegKey key, const wchar_t* name,
                                                   std::uint32_t value) = 0;
  virtual void CloseKey(RegKey key) = 0;
  // Wow64DisableWow64FsRedirection(oldValue) and Wow64RevertWow64FsRedirection(oldValue).
  virtual void DisableFsRedirection(void** oldValue) = 0;
  virtual void RevertFsRedirection(void* oldValue) = 0;

 protected:
  ~RegistryApi() = default;
};
