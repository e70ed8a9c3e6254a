#pragma once

#include <cstdint>

#include "app/error_mode_api.h"

// SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX: no "There is no disk in
// the drive" box, nor any other critical-error or open-file box; the call
// that met the error fails instead.
inline constexpr std::uint32_t kNoErrorBoxes = 0x0001 | 0x8000;

// Keeps the system's error boxes off while it lives, and puts the previous
// mode back when it ends. The thread's mode is used where Windows has one, so
// that nothing else in the process is touched; else the process's.
class ErrorBoxesOff {
 public:
  explicit ErrorBoxesOff(ErrorModeApi& api) : api_(api) {
    threadMode_ = api_.SetThreadMode(kNoErrorBoxes, &previous_);
    if (!threadMode_) previous_ = api_.SetProcessMode(kNoErrorBoxes);
    // The previous mode is only known once replaced; what else it held (no
    // fault-reporting box, say) is kept.
    if ((previous_ | kNoErrorBoxes) != kNoErrorBoxes) Set(previous_ | kNoErrorBoxes);
  }
  ErrorBoxesOff(const ErrorBoxesOff&) = delete;
  ErrorBoxesOff& operator=(const ErrorBoxesOff&) = delete;
  ~ErrorBoxesOff() { Set(previous_); }

 private:
  void Set(std::uint32_t mode) {
    std::uint32_t replaced = 0;
    if (threadMode_) {
      static_cast<void>(api_.SetThreadMode(mode, &replaced));
    } else {
      static_cast<void>(api_.SetProcessMode(mode));
    }
  }

  ErrorModeApi& api_;
  bool threadMode_ = false;
  std::uint32_t previous_ = 0;
};
