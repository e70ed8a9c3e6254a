#pragma once

#include <cstdint>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "app/error_mode_api.h"

// The thread's and the process's error modes; each change is written, as "thread 0x8001", into
// the lines given (a run's trace, so that a test sees it among the run's other steps).
class FakeErrorMode final : public ErrorModeApi {
 public:
  explicit FakeErrorMode(std::vector<std::wstring>& log) : log_(log) {}

  bool threadModeExists = true;  // false: Vista, which has SetErrorMode alone
  std::uint32_t threadMode = 0;
  std::uint32_t processMode = 0;

  bool SetThreadMode(std::uint32_t mode, std::uint32_t* previous) override {
    if (!threadModeExists) return false;
    Log(L"thread", mode);
    *previous = std::exchange(threadMode, mode);
    return true;
  }
  std::uint32_t SetProcessMode(std::uint32_t mode) override {
    Log(L"process", mode);
    return std::exchange(processMode, mode);
  }

 private:
  void Log(const wchar_t* which, std::uint32_t mode) {
    wchar_t line[32] = {};
    std::swprintf(line, 32, L"%ls 0x%x", which, mode);
    log_.emplace_back(line);
  }

  std::vector<std::wstring>& log_;
};
