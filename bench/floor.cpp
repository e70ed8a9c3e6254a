// The floor of any launcher: start the setup program through the shell, wait
// for it and pass its exit code on. Nothing else.
#include <windows.h>
#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR args, int) {
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
