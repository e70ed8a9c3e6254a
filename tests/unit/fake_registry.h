#pragma once

#include <cstdint>
#include <cwchar>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "registry/registry_api.h"

// Stands in for the registry below HKEY_LOCAL_MACHINE and for WOW64 file-system
// redirection. Every call is recorded, in order, as one text such as
// "open SOFTWARE\A 0x2011f" or "set Name=42". Keys in `existing` can be opened;
// a successful create adds its key; create and set can be told to fail.
class FakeRegistry final : public RegistryApi {
 public:
  std::set<std::wstring> existing;
  bool failCreate = false;
  bool failSet = false;

  std::vector<std::wstring> calls;
  int keysHandedOut = 0;
  // Open handles, by the path they were opened with.
  std::map<RegKey, std::wstring> openKeys;
  bool redirectionOff = false;

  std::int32_t OpenKey(const wchar_t* path, std::uint32_t access, RegKey* key) override {
    calls.push_back(L"open " + std::wstring(path) + L" 0x" + Hex(access));
    if (existing.count(path) == 0) return 2;  // ERROR_FILE_NOT_FOUND
    return HandOut(path, key);
  }
  std::int32_t CreateKey(const wchar_t* path, std::uint32_t access, RegKey* key) override {
    calls.push_back(L"create " + std::wstring(path) + L" 0x" + Hex(access));
    if (failCreate) return 5;  // ERROR_ACCESS_DENIED
    existing.insert(path);
    return HandOut(path, key);
  }
  std::int32_t SetDwordValue(RegKey key, const wchar_t* name, std::uint32_t value) override {
    calls.push_back(L"set " + std::wstring(name) + L"=" + std::to_wstring(value));
    return failSet || openKeys.count(key) == 0 ? 5 : 0;
  }
  void CloseKey(RegKey key) override {
    calls.push_back(openKeys.erase(key) == 1 ? L"close" : L"close of a key not open");
  }
  void DisableFsRedirection(void** oldValue) override {
    calls.push_back(L"disable");
    *oldValue = &savedRedirection_;
    redirectionOff = true;
  }
  void RevertFsRedirection(void* oldValue) override {
    const bool saved = oldValue == &savedRedirection_;
    calls.push_back(saved ? L"revert saved" : oldValue == nullptr ? L"revert null" : L"revert ?");
    if (saved) redirectionOff = false;
  }

 private:
  static std::wstring Hex(std::uint32_t value) {
    wchar_t text[9];
    std::swprintf(text, 9, L"%x", value);
    return text;
  }
  std::int32_t HandOut(const std::wstring& path, RegKey* key) {
    *key = &handles_[keysHandedOut++ % 8];
    openKeys[*key] = path;
    return 0;
  }

  char handles_[8] = {};
  int savedRedirection_ = 0;
};
