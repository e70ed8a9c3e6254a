#include "app/error_mode_win32.h"

#include "app/error_mode.h"
#include "common/system_functions_win32.h"

static_assert(kNoErrorBoxes == (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));

bool Win32ErrorMode::SetThreadMode(std::uint32_t mode, std::uint32_t* previous) {
  const auto setThreadErrorMode = System().SetThreadErrorMode;
  DWORD replaced = 0;
  const bool set = setThreadErrorMode != nullptr && setThreadErrorMode(mode, &replaced) != FALSE;
  *previous = replaced;
  return set;
}

std::uint32_t Win32ErrorMode::SetProcessMode(std::uint32_t mode) {
  return SetErrorMode(mode);
}
