#include "tools/common/utf.h"

#include <cstdint>
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

std::wstring Printable(std::wstring_view text, std::size_t limit) {
  std::wstring shown;
  for (const wchar_t c : text.substr(0, limit)) {
    if (c < 0x20 || c == 0x7F) {
      wchar_t escape[8];
      static_cast<void>(std::swprintf(escape, 8, L"\\x%02X", static_cast<unsigned>(c)));
      shown += escape;
    } else {
      shown.push_back(c);
    }
  }
  if (text.size() > limit) shown += L"...";
  return shown;
}
