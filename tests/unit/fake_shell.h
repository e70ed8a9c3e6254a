#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "launch/shell_api.h"

// Stands in for the shell and process services. Records every call in order,
// with the launch record copied out (its texts included) as the shell saw it.
class FakeShell final : public ShellApi {
 public:
  struct Launch {
    std::uint32_t cbSize;
    std::uint32_t fMask;
    std::wstring file;
    std::wstring parameters;
    bool parametersNull;
    int nShow;
  };

  // What the next start does.
  bool startSucceeds = true;
  bool handsBackProcess = true;
  bool exitCodeReadable = true;
  std::uint32_t exitCode = 0;

  std::vector<std::string> calls;  // "start", "wait", "exitcode", "close"
  std::vector<Launch> launches;
  // Calls that named something other than the process handed out.
  int foreignHandleUses = 0;
  int processesHandedOut = 0;
  int processesClosed = 0;

  bool Execute(const LaunchRecord& record, ProcessHandle* process) override {
    calls.push_back("start");
    launches.push_back({record.cbSize, record.fMask, record.lpFile ? record.lpFile : L"",
                        record.lpParameters ? record.lpParameters : L"",
                        record.lpParameters == nullptr, record.nShow});
    if (!startSucceeds) return false;
    if (handsBackProcess) {
      *process = &process_;
      ++processesHandedOut;
    }
    return true;
  }
  void WaitForProcess(ProcessHandle process) override {
    calls.push_back("wait");
    Check(process);
  }
  bool GetExitCode(ProcessHandle process, std::uint32_t* code) override {
    calls.push_back("exitcode");
    Check(process);
    if (!exitCodeReadable) return false;
    *code = exitCode;
    return true;
  }
  void CloseProcess(ProcessHandle process) override {
    calls.push_back("close");
    Check(process);
    if (process == &process_) ++processesClosed;
  }

 private:
  void Check(ProcessHandle process) {
    if (process != &process_) ++foreignHandleUses;
  }

  char process_ = 0;
};
