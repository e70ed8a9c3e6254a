// A DLL that must never be loaded: the DLL fence test plants it, under the names
// of system DLLs, in the folder a program of ours starts from. Once loaded, it
// leaves NAME.loaded beside itself. It imports KERNEL32 alone and needs no C
// runtime, so that it loads whatever name it bears.
#include <windows.h>

extern "C" BOOL WINAPI PlantedDllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  wchar_t marker[MAX_PATH + 8] = {};
  if (reason == DLL_PROCESS_ATTACH && GetModuleFileNameW(instance, marker, MAX_PATH) < MAX_PATH) {
    lstrcatW(marker, L".loaded");
    CloseHandle(CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  return TRUE;
}
