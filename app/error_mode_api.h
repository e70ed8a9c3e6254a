#pragma once

#include <cstdint>

// The platform calls that set which system error boxes Windows may show for
// this program's own file access.
class ErrorModeApi {
 public:
  // SetThreadErrorMode(mode, previous), looked up in KERNEL32: false where
  // Windows lacks it (before 7) or it fails.
  virtual bool SetThreadMode(std::uint32_t mode, std::uint32_t* previous) = 0;
  // SetErrorMode(mode), for the whole process: returns the previous mode.
  virtual std::uint32_t SetProcessMode(std::uint32_t mode) = 0;

 protected:
  ~ErrorModeApi() = default;
};
