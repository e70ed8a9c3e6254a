// Stand-in for common/dll_fence_win32 until that lands; delete this file then.
// It fences the search path the same way, so the program is safe meanwhile.
#include <windows.h>

void FenceDllSearchPath() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const FARPROC proc =
      kernel != nullptr ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
  if (proc != nullptr && reinterpret_cast<SetDefaultDllDirectoriesFn>(
                             reinterpret_cast<void*>(proc))(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    return;
  }
  SetDllDirectoryW(L"");
}
