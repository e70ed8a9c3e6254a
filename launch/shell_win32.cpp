#include "launch/shell_win32.h"

#include "common/system_functions_win32.h"
#include "launch/setup_runner.h"

#if !defined(_WIN64)
static_assert(sizeof(SHELLEXECUTEINFOW) == kLaunchRecordSize);
#endif
static_assert(kSeeMaskNoCloseProcess == SEE_MASK_NOCLOSEPROCESS);
static_assert(kSeeMaskFlagNoUi == SEE_MASK_FLAG_NO_UI);
static_assert(kSeeMaskNoZoneChecks == SEE_MASK_NOZONECHECKS);
static_assert(kSeeMaskNoAsync == SEE_MASK_NOASYNC);
static_assert(kSwShow == SW_SHOW);
static_assert(kStillActive == STILL_ACTIVE);

bool Win32Shell::IsFolder(const wchar_t* path) {
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32Shell::Execute(const LaunchRecord& record, ProcessHandle* process) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = record.cbSize;
  info.fMask = record.fMask;
  info.lpFile = record.lpFile;
  info.lpParameters = record.lpParameters;
  info.nShow = record.nShow;
  const auto shellExecuteEx = System().ShellExecuteExW;
  const BOOL started = shellExecuteEx != nullptr ? shellExecuteEx(&info) : FALSE;
  *process = info.hProcess;
  return started != FALSE;
}

void Win32Shell::WaitForProcess(ProcessHandle process) {
  WaitForSingleObject(process, INFINITE);
}

bool Win32Shell::GetExitCode(ProcessHandle process, std::uint32_t* code) {
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process, &exitCode)) return false;
  *code = exitCode;
  return true;
}

void Win32Shell::CloseProcess(ProcessHandle process) {
  CloseHandle(process);
}
