#pragma once

#include <cstdint>

// A process handle handed back by the shell.
using ProcessHandle = void*;

// The fields of SHELLEXECUTEINFOW that the launcher sets; every other field is
// zero (no window, the default verb, the current directory).
struct LaunchRecord {
  std::uint32_t cbSize = 0;
  std::uint32_t fMask = 0;
  const wchar_t* lpFile = nullptr;
  const wchar_t* lpParameters = nullptr;
  int nShow = 0;
};

// The platform calls of the setup runner.
class ShellApi {
 public:
  // GetFileAttributesW: true when the path names an existing folder.
  [[nodiscard]] virtual bool IsFolder(const wchar_t* path) = 0;
  // ShellExecuteExW: true when the start succeeded; *process is hProcess.
  [[nodiscard]] virtual bool Execute(const LaunchRecord& record, ProcessHandle* process) = 0;
  // WaitForSingleObject(process, INFINITE).
  virtual void WaitForProcess(ProcessHandle process) = 0;
  // GetExitCodeProcess: true on success.
  [[nodiscard]] virtual bool GetExitCode(ProcessHandle process, std::uint32_t* code) = 0;
  virtual void CloseProcess(ProcessHandle process) = 0;

 protected:
  ~ShellApi() = default;
};
