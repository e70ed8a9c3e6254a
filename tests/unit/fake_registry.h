#pragma once

#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "registry/registry_api.h"

// The registry and WOW64 redirection: records calls ("open K 0x2011f", "set N=42", "close",
// "revert saved"); keys in `existing` open, and create and set succeed unless made to fail.
// Closing a key the fake did not hand out is traced "close ?".
class FakeRegistry final : public RegistryApi {
 public:
  std::set<std::wstring> existing;
  bool failCreate = false;
  bool failSet = false;
  std::vector<std::wstring> calls;

  std::int32_t OpenKey(const wchar_t* path, std::uint32_t access, RegKey* key) override {
    Record(L"open ", path, access);
    return existing.count(path) == 1 ? HandOut(key) : 2;
  }
  std::int32_t CreateKey(const wchar_t* path, std::uint32_t access, RegKey* key) override {
    Record(L"create ", path, access);
    return failCreate ? 5 : HandOut(key);
  }
  std::int32_t SetDwordValue(RegKey key, const wchar_t* name, std::uint32_t value) override {
    calls.push_back(L"set " + std::wstring(name) + L"=" + std::to_wstring(value));
    return failSet || key != &handle_ ? 5 : 0;
  }
  void CloseKey(RegKey key) override { calls.push_back(key == &handle_ ? L"close" : L"close ?"); }
  void DisableFsRedirection(void** oldValue) override {
    calls.push_back(L"disable");
    *oldValue = &saved_;
  }
  void RevertFsRedirection(void* oldValue) override {
    calls.push_back(oldValue == &saved_ ? L"revert saved" : L"revert null");
  }

 private:
  void Record(const wchar_t* call, const wchar_t* path, std::uint32_t access) {
    wchar_t mask[16];
    std::swprintf(mask, 16, L" 0x%x", access);
    calls.push_back(call + std::wstring(path) + mask);
  }
  std::int32_t HandOut(RegKey* key) {
    *key = &handle_;
    return 0;
  }

  char handle_ = 0;
  int saved_ = 0;
};
