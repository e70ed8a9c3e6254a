#pragma once

// What every launcher must do: start the demo setup program through the shell
// with the given parameters, wait for it and hand back its exit code.
#include <windows.h>
// <shellapi.h> needs <windows.h> before it.
#include <shellapi.h>

inline int LaunchAndWait(PWSTR args) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = L"demo_setup.exe";
  info.lpParameters = args;
  info.nShow = SW_SHOW;
  if (!ShellExecuteExW(&info) || info.hProcess == nullptr) return 1603;
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 1603;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  return static_cast<int>(code);
}
