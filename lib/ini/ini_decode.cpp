#include "lib/ini/ini_decode.h"

namespace {

// Windows-1252 for the bytes 0x80 to 0x9F; the five bytes it leaves undefined
// map to the control characters of the same value, as Windows maps them.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool StartsWith(std::string_view bytes, std::string_view mark) {
  return bytes.substr(0, mark.size()) == mark;
}

}  // namespace

IniEncoding EncodingOf(std::string_view bytes) {
  if (StartsWith(bytes, "\xFF\xFE")) return IniEncoding::kUtf16Le;
  if (StartsWith(bytes, "\xEF\xBB\xBF")) return IniEncoding::kUtf8Mark;
  if (StartsWith(bytes, "\xFE\xFF")) return IniEncoding::kUtf16BeMark;
  return IniEncoding::kAnsi;
}

std::wstring DecodeFile(std::string_view bytes) {
  std::wstring text;
  if (EncodingOf(bytes) == IniEncoding::kUtf16Le) {
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const unsigned low = static_cast<unsigned char>(bytes[i]);
      const unsigned high = static_cast<unsigned char>(bytes[i + 1]);
      text.push_back(static_cast<wchar_t>(low | (high << 8)));
    }
    return text;
  }
  text.reserve(bytes.size());
  for (const char byte : bytes) {
    const unsigned value = static_cast<unsigned char>(byte);
    text.push_back(static_cast<wchar_t>(
        value >= 0x80 && value < 0xA0 ? kWindows1252High[value - 0x80] : value));
  }
  return text;
}
