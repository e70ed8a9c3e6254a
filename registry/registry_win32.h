#pragma once

#include "registry/registry_api.h"

// The registry below HKEY_LOCAL_MACHINE and the thread's WOW64 file-system
// redirection, one Win32 call per operation.
class Win32Registry final : public RegistryApi {
 public:
  std::int32_t OpenKey(const wchar_t* path, std::uint32_t access, RegKey* key) override;
  std::int32_t CreateKey(const wchar_t* path, std::uint32_t access, RegKey* key) override;
  std::int32_t SetDwordValue(RegKey key, const wchar_t* name, std::uint32_t value) override;
  void CloseKey(RegKey key) override;
  void DisableFsRedirection(void** oldValue) override;
  void RevertFsRedirection(void* oldValue) override;
};
