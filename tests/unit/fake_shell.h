#pragma once

#include <string>
#include <vector>

#include "launch/shell_api.h"

// The shell and process services: keeps the launch record and the calls, "?" on a foreign handle.
class FakeShell final : public ShellApi {
 public:
  enum Outcome { kRuns, kStartFails, kNoHandle, kCodeUnreadable, kFolder };
  Outcome outcome = kRuns;
  std::uint32_t exitCode = 0;
  LaunchRecord record;
  std::vector<std::string> calls;

  bool IsFolder(const wchar_t*) override {
    calls.push_back("folder?");
    return outcome == kFolder;
  }
  bool Execute(const LaunchRecord& launched, ProcessHandle* process) override {
    calls.push_back("start");
    record = launched;
    if (outcome != kStartFails && outcome != kNoHandle) *process = &process_;
    return outcome != kStartFails;
  }
  void WaitForProcess(ProcessHandle process) override { Record("wait", process); }
  bool GetExitCode(ProcessHandle process, std::uint32_t* code) override {
    Record("exitcode", process);
    if (outcome != kCodeUnreadable) *code = exitCode;
    return outcome != kCodeUnreadable;
  }
  void CloseProcess(ProcessHandle process) override { Record("close", process); }

 private:
  void Record(const char* call, ProcessHandle process) {
    calls.push_back(process == &process_ ? call : std::string(call) + " ?");
  }

  char process_ = 0;
};
