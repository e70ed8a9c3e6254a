#pragma once

#include <cstdint>

// The error number that _waccess_s(path, 0) gives for a path whose attributes
// could not be read, from the Win32 error behind it: ENOENT (2) for every error
// the C runtime reads as "no such file or folder", EACCES (13) for any other.
constexpr int AccessErrnoFromWin32Error(std::uint32_t error) {
  switch (error) {
    case 2:    // ERROR_FILE_NOT_FOUND
    case 3:    // ERROR_PATH_NOT_FOUND
    case 15:   // ERROR_INVALID_DRIVE
    case 18:   // ERROR_NO_MORE_FILES
    case 53:   // ERROR_BAD_NETPATH
    case 67:   // ERROR_BAD_NET_NAME
    case 161:  // ERROR_BAD_PATHNAME
    case 206:  // ERROR_FILENAME_EXCED_RANGE
      return 2;
    default:
      return 13;
  }
}
