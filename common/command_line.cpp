#include "common/command_line.h"

namespace {

// Characters from U+0001 to U+0020: the blanks and control characters that
// separate the program name from its arguments.
bool IsSeparator(wchar_t c) {
  // NOLINTNEXTLINE(bugprone-signed-char-misuse,cert-str34-c): UTF-16 units are never negative
  const auto code = static_cast<unsigned long>(c);
  return code >= 0x01 && code <= 0x20;
}

}  // namespace

const wchar_t* ArgumentText(const wchar_t* commandLine) {
  if (commandLine == nullptr) return L"";

  // The program name ends at the first separator outside quotes; a quote only
  // switches the quoted state, so "a b"c is still one name.
  const wchar_t* p = commandLine;
  bool quoted = false;
  for (; *p != L'\0'; ++p) {
    if (*p == L'"') {
      quoted = !quoted;
    } else if (!quoted && IsSeparator(*p)) {
      break;
    }
  }
  while (IsSeparator(*p)) ++p;
  return p;
}
