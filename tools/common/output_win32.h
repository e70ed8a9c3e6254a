#pragma once

// What every Windows tool of the project writes with: whole writes
// to a file or pipe, a standard stream that takes whole lines, and the
// system's text for an error code.

#include <windows.h>

#include <string>

#include "tools/common/utf.h"

// Writes the bytes whole; false when the file took fewer.
[[nodiscard]] bool WriteBytes(HANDLE file, const std::string& bytes);

// The same, with why it failed: ERROR_SUCCESS, the write's own error, or ERROR_DISK_FULL when
// the file took fewer bytes than it was given (as a full disk does, without an error of its own).
[[nodiscard]] DWORD WriteWhole(HANDLE file, const std::string& bytes);

// Writes UTF-8 text to a standard stream: as UTF-16 into a console, the bytes
// as they are into a file or pipe, so that every tool writes the same bytes
// wherever its output goes. Nothing is written where the stream is missing.
void WriteText(DWORD stream, const std::string& utf8);

// The same, with each LF written as CRLF into a file or pipe, as Windows
// programs' text is (Notepad before Windows 10 shows LF alone as no line end).
void WriteTextLines(DWORD stream, const std::string& utf8);

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
