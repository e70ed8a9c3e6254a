#include "tools/trace/safe_text.h"

#include <cstdio>

#include "tools/trace/log_record.h"

namespace {

constexpr std::string_view kRecordStart = "<![LOG[";
constexpr std::string_view kRecordEnd = "]LOG]!>";

bool IsC0OrDel(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

// The length of the UTF-8 sequence at the text's start when it is a C1 control (U+0080-U+009F)
// or a bidi control (U+202A-U+202E, U+2066-U+2069), with its code point; 0 otherwise.
std::size_t InvisibleControl(std::string_view text, unsigned& codePoint) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  if (text.size() >= 2 && byte(0) == 0xC2 && byte(1) >= 0x80 && byte(1) <= 0x9F) {
    codePoint = byte(1);
    return 2;
  }
  if (text.size() >= 3 && byte(0) == 0xE2) {
    codePoint = 0x2000 | (unsigned(byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
    if ((byte(1) == 0x80 && byte(2) >= 0xAA && byte(2) <= 0xAE) ||
        (byte(1) == 0x81 && byte(2) >= 0xA6 && byte(2) <= 0xA9)) {
      return 3;
    }
  }
  return 0;
}

std::string Escaped(const char* format, unsigned codePoint) {
  char buffer[8];
  const int length = std::snprintf(buffer, sizeof(buffer), format, codePoint);
  return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

bool StartsWithViewerMark(std::string_view text) {
  for (const wchar_t* mark = kViewerMark; *mark != L'\0'; ++mark, text.remove_prefix(1)) {
    if (text.empty() || text.front() != static_cast<char>(*mark)) return false;
  }
  return true;
}

}  // namespace

std::string SafeText(std::string_view text, TextUse use) {
  std::string safe;
  safe.reserve(text.size());
  if (use != TextUse::kTraceLog && StartsWithViewerMark(text)) safe = kProgramLineMark;
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text.front());
    unsigned codePoint = 0;
    std::size_t taken = use == TextUse::kScreen ? InvisibleControl(text, codePoint) : 0;
    if (taken != 0) {
      safe += Escaped("\\u%04x", codePoint);
    } else if (use == TextUse::kScreen && IsC0OrDel(c)) {
      safe += Escaped("\\x%02x", c);
    } else if (c < 0x20) {
      safe.push_back(' ');
    } else if (use == TextUse::kTraceLog && text.starts_with(kRecordStart)) {
      // Neither marker overlaps itself or the other, and "&lt;" and "&gt;" start none, so one
      // pass breaks every marker, repeated and nested ones included.
      safe += "&lt;";
    } else if (use == TextUse::kTraceLog && text.starts_with(kRecordEnd)) {
      taken = kRecordEnd.size();
      safe += kRecordEnd.substr(0, taken - 1);
      safe += "&gt;";
    } else {
      safe.push_back(static_cast<char>(c));
    }
    text.remove_prefix(taken != 0 ? taken : 1);
  }
  return safe;
}
