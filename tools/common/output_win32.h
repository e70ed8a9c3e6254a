#pragma once

// What every Windows tool of the project writes with: UTF-8 text, whole writes
// to a file or pipe, a standard stream that takes whole lines, and the
// system's text for an error code.

#include <windows.h>

#include <string>

std::string Utf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

// Writes the bytes whole; false when the file took fewer.
[[nodiscard]] bool WriteBytes(HANDLE file, const std::string& bytes);

// The same, with why it failed: ERROR_SUCCESS, the write's own error, or ERROR_DISK_FULL when
// the file took fewer bytes than it was given (as a full disk does, without an error of its own).
[[nodiscard]] DWORD WriteWhole(HANDLE file, const std::string& bytes);

// A standard stream that takes whole lines: UTF-16 into a console, UTF-8 into a
// file or pipe.
class Output {
 public:
  explicit Output(DWORD stream);
  void WriteLine(std::wstring line);

 private:
  HANDLE handle_;
  bool console_ = false;
};

// The system's text for an error code, with the code: "Access is denied. (error 5)".
std::wstring SystemErrorText(DWORD error);

// Closes a handle that may be either of Win32's invalid values.
inline void CloseIfValid(HANDLE handle) {
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
}
