#include "tools/common/utf.h"

#include <cstdint>
#include <cstdio>
#include <cwchar>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void AppendUtf16(std::wstring& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<wchar_t>(c));
    return;
  }
  c -= 0x10000;
  out.push_back(static_cast<wchar_t>(0xD800 | (c >> 10)));
  out.push_back(static_cast<wchar_t>(0xDC00 | (c & 0x3FF)));
}

bool IsHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

std::string Utf8FromUtf16(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    // Only the low 16 bits count: wider wchar_t values hold code units too.
    const char32_t unit = static_cast<char32_t>(text[i]) & 0xFFFF;
    if (IsHighSurrogate(unit) && i + 1 < text.size() &&
        IsLowSurrogate(static_cast<char32_t>(text[i + 1]) & 0xFFFF)) {
      const char32_t low = static_cast<char32_t>(text[++i]) & 0xFFFF;
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::wstring Utf16FromUtf8(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t c = lead;
    char32_t minimum = 0;
    if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      c = lead & 0x07;
      minimum = 0x10000;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      c = lead & 0x0F;
      minimum = 0x800;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
      c = lead & 0x1F;
      minimum = 0x80;
    } else if (lead >= 0x80) {
      out.push_back(static_cast<wchar_t>(kReplacement));
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    for (; extra > 0 && j < text.size(); --extra, ++j) {
      const auto next = static_cast<unsigned char>(text[j]);
      if ((next & 0xC0) != 0x80) break;
      c = (c << 6) | (next & 0x3F);
    }
    if (extra != 0 || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out.push_back(static_cast<wchar_t>(kReplacement));
      i = j == i + 1 ? i + 1 : j;
      continue;
    }
    AppendUtf16(out, c);
    i = j;
  }
  return out;
}

namespace {

bool IsHiddenControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

// The escape of a hidden control: \x1b below U+0100 that is no C1 control,
// \u0085 for the rest.
template <typename Text>
void AppendEscape(Text& out, char32_t c) {
  char escape[8];
  const int length = c < 0x80 ? std::snprintf(escape, sizeof escape, "\\x%02x", unsigned(c))
                              : std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(c));
  for (int i = 0; i < length; ++i) out.push_back(static_cast<typename Text::value_type>(escape[i]));
}

// Whether a '[' here would complete "##[" or "##vso[", letter case aside.
template <typename Text>
bool EndsInCommandPrefix(const Text& out) {
  const auto at = [&](std::size_t back) {
    const auto c = static_cast<char32_t>(out[out.size() - back]);
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
  };
  if (out.size() >= 2 && at(1) == '#' && at(2) == '#') return true;
  return out.size() >= 5 && at(5) == '#' && at(4) == '#' && at(3) == 'v' && at(2) == 's' &&
         at(1) == 'o';
}

}  // namespace

std::string VisibleText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    char32_t c = byte(0);
    std::size_t size = 1;
    const auto follows = [&](std::size_t k) {
      return i + k < text.size() && (byte(k) & 0xC0) == 0x80;
    };
    if (byte(0) == 0xC2 && follows(1)) {
      c = byte(1);  // U+0080-U+00BF
      size = 2;
    } else if (byte(0) == 0xE2 && follows(1) && follows(2)) {
      c = 0x2000 | (char32_t(byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
      size = 3;
    }
    // A byte of 0x80 or above alone is no character: it passes as it is.
    // A hidden control, or the '[' that would make "##vso[" a command.
    const bool hidden = (size > 1 || c < 0x80) && IsHiddenControl(c);
    if (hidden || (c == '[' && EndsInCommandPrefix(out))) {
      AppendEscape(out, c);
    } else {
      out.append(text.substr(i, size));
    }
    i += size;
  }
  return out;
}

std::wstring VisibleText(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (const wchar_t unit : text) {
    const char32_t c = static_cast<char32_t>(unit) & 0xFFFF;
    if (IsHiddenControl(c) || (c == '[' && EndsInCommandPrefix(out))) {
      AppendEscape(out, c);
    } else {
      out.push_back(unit);
    }
  }
  return out;
}

std::wstring Printable(std::wstring_view text, std::size_t limit) {
  std::wstring shown = VisibleText(text.substr(0, limit));
  if (text.size() > limit) shown += L"...";
  return shown;
}
