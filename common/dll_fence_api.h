#pragma once

#include <cstdint>

// A loaded DLL (an HMODULE); null when it could not be loaded.
using DllModule = void*;

// The platform calls that keep every DLL but the program's own imports out of
// its folder and the current directory.
class DllSearchApi {
 public:
  // SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32), looked up in
  // KERNEL32: false when it does not exist (Vista and 7 without KB2533623) or fails.
  virtual bool SearchSystem32Only() = 0;
  // SetDllDirectoryW(L""): takes the current directory off the search path.
  virtual void RemoveCurrentDirectoryFromSearch() = 0;
  // GetSystemDirectoryW(buffer, size): the length, or the size needed when the
  // buffer is too small, or 0 on failure.
  virtual std::uint32_t SystemDirectory(wchar_t* buffer, std::uint32_t size) = 0;
  // LoadLibraryExW(name, NULL, LOAD_LIBRARY_SEARCH_SYSTEM32).
  virtual DllModule LoadFromSystem32(const wchar_t* name) = 0;
  // LoadLibraryExW(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH): a full path, whose
  // own dependencies are then looked for in its folder first.
  virtual DllModule LoadByFullPath(const wchar_t* path) = 0;

 protected:
  ~DllSearchApi() = default;
};
