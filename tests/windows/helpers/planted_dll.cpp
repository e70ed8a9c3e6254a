// A DLL that must never be loaded: the DLL fence test plants it, under the names
// of system DLLs, in the folder a program of ours starts from. Once loaded, it
// leaves NAME.loaded beside itself. It imports KERNEL32 alone and needs no C
// runtime, so that it loads whatever name it bears.
#include <windows.h>

extern "C" BOOL WINAPI PlantedDllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t marker[MAX_PATH + 8] = {};
    const DWORD length = GetModuleFileNameW(instance, marker, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
      lstrcatW(marker, L".loaded");
      const HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
  }
  return TRUE;
}
