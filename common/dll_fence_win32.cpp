#include "common/dll_fence_win32.h"

#include <windows.h>

bool Win32DllSearch::SearchSystem32Only() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const FARPROC proc =
      kernel != nullptr ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
  if (proc == nullptr) return false;
  const auto setDefaultDllDirectories =
      reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(proc));
  return setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

void Win32DllSearch::RemoveCurrentDirectoryFromSearch() {
  SetDllDirectoryW(L"");
}

std::uint32_t Win32DllSearch::SystemDirectory(wchar_t* buffer, std::uint32_t size) {
  return GetSystemDirectoryW(buffer, size);
}

DllModule Win32DllSearch::LoadFromSystem32(const wchar_t* name) {
  return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

DllModule Win32DllSearch::LoadByFullPath(const wchar_t* path) {
  return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

DllFence FenceDllSearchPath() {
  // Set before the first call, with no constructor to run: Perinax.exe starts
  // without the C runtime's start-up code.
  static bool fenced = false;
  static DllFence chosen = DllFence::kSystem32Only;
  if (!fenced) {
    Win32DllSearch api;
    chosen = FenceDllSearch(api);
    fenced = true;
  }
  return chosen;
}
