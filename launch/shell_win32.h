#pragma once

#include "launch/shell_api.h"

// The setup runner's calls on the Windows shell and process services.
class Win32Shell final : public ShellApi {
 public:
  bool IsFolder(const wchar_t* path) override;
  bool Execute(const LaunchRecord& record, ProcessHandle* process) override;
  void WaitForProcess(ProcessHandle process) override;
  bool GetExitCode(ProcessHandle process, std::uint32_t* code) override;
  void CloseProcess(ProcessHandle process) override;
};
