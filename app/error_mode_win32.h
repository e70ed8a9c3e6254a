#pragma once

#include "app/error_mode_api.h"

// The error-mode calls on Windows, one Win32 call each.
class Win32ErrorMode final : public ErrorModeApi {
 public:
  bool SetThreadMode(std::uint32_t mode, std::uint32_t* previous) override;
  std::uint32_t SetProcessMode(std::uint32_t mode) override;
};
