#include "tools/common/output_win32.h"

bool WriteBytes(HANDLE file, const std::string& bytes) {
  return WriteWhole(file, bytes) == ERROR_SUCCESS;
}

DWORD WriteWhole(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    return GetLastError();
  }
  return written == bytes.size() ? ERROR_SUCCESS : ERROR_DISK_FULL;
}

namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetConsoleMode(handle, &mode) != FALSE;
}

void WriteToConsole(HANDLE console, const std::wstring& text) {
  DWORD written = 0;
  WriteConsoleW(console, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

void WriteText(DWORD stream, const std::string& utf8) {
  const HANDLE handle = GetStdHandle(stream);
  if (utf8.empty() || handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  if (IsConsole(handle)) {
    WriteToConsole(handle, Utf16FromUtf8(utf8));
    return;
  }
  static_cast<void>(WriteBytes(handle, utf8));
}

void WriteTextLines(DWORD stream, const std::string& utf8) {
  const HANDLE handle = GetStdHandle(stream);
  if (utf8.empty() || handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  if (IsConsole(handle)) {
    WriteToConsole(handle, Utf16FromUtf8(utf8));
    return;
  }
  std::string text;
  text.reserve(utf8.size() + utf8.size() / 16);
  for (const char c : utf8) {
    if (c == '\n') text += '\r';
    text += c;
  }
  static_cast<void>(WriteBytes(handle, text));
}

Output::Output(DWORD stream) : handle_(GetStdHandle(stream)), console_(IsConsole(handle_)) {}

void Output::WriteLine(std::wstring line) {
  line.push_back(L'\n');
  if (console_) {
    WriteToConsole(handle_, line);
    return;
  }
  static_cast<void>(WriteBytes(handle_, Utf8FromUtf16(line)));
}

std::wstring SystemErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer != nullptr ? buffer : L"", buffer != nullptr ? length : 0);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  if (text.empty()) text = L"Unknown error.";
  return text + L" (error " + std::to_wstring(error) + L")";
}
