// perinax-demo-setup: a stand-in setup program for the demo and the tests.
//
// It writes the argument text it was started with (its command line less its
// own name and the blanks after it, exactly as received) to
// setup-received.txt in its current directory, as UTF-8 without a byte-order
// mark or line end, and exits with the code that /exitcode=N names (decimal,
// or hexadecimal after 0x; a leading minus sign gives the 32-bit pattern, so
// -1 is 0xFFFFFFFF; 0 when absent). /sleep=N waits N milliseconds first; /crash
// ends it with an unhandled access violation instead, after the file is written.
// The options may appear anywhere in the text. It creates no window.

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <string>

#include "common/command_line.h"

namespace {

constexpr wchar_t kReceivedFile[] = L"setup-received.txt";

// The number after the first occurrence of option in text, or fallback.
std::uint32_t NumberAfter(const wchar_t* text, const wchar_t* option, std::uint32_t fallback) {
  const wchar_t* found = std::wcsstr(text, option);
  if (found == nullptr) return fallback;
  const wchar_t* p = found + std::wcslen(option);
  const bool negative = *p == L'-';
  if (negative) ++p;
  std::uint32_t base = 10;
  if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X')) {
    base = 16;
    p += 2;
  }
  std::uint32_t value = 0;
  for (;; ++p) {
    std::uint32_t digit;
    if (*p >= L'0' && *p <= L'9') {
      digit = static_cast<std::uint32_t>(*p - L'0');
    } else if (base == 16 && *p >= L'a' && *p <= L'f') {
      digit = static_cast<std::uint32_t>(*p - L'a' + 10);
    } else if (base == 16 && *p >= L'A' && *p <= L'F') {
      digit = static_cast<std::uint32_t>(*p - L'A' + 10);
    } else {
      break;
    }
    value = value * base + digit;
  }
  return negative ? 0u - value : value;
}

bool WriteReceived(const wchar_t* text) {
  const int length = static_cast<int>(std::wcslen(text));
  std::string utf8;
  if (length > 0) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return false;
    utf8.resize(static_cast<std::size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), bytes, nullptr, nullptr);
  }
  const HANDLE file = CreateFileW(kReceivedFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(file);
  return ok != FALSE && written == utf8.size();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const wchar_t* args = ArgumentText(GetCommandLineW());
  const std::uint32_t sleepMs = NumberAfter(args, L"/sleep=", 0);
  if (sleepMs != 0) Sleep(sleepMs);
  if (!WriteReceived(args)) return 1603;
  if (std::wcsstr(args, L"/crash") != nullptr) {
    SetErrorMode(SEM_NOGPFAULTERRORBOX);  // no Windows Error Reporting dialog
    RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  }
  return static_cast<int>(NumberAfter(args, L"/exitcode=", 0));
}
