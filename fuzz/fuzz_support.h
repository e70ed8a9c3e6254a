#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// A failed check ends the run the way a crash does, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                      \
  do {                                                             \
    if (!(condition)) {                                            \
      std::fprintf(stderr, "fuzz check failed: %s\n", #condition); \
      std::abort();                                                \
    }                                                              \
  } while (false)

// Bytes as the UTF-16LE text Windows would hand over: two bytes per code unit
// (an odd last byte is dropped), ended at the first zero unit.
inline std::wstring WideText(std::string_view bytes) {
  std::wstring text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                           static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (unit == L'\0') break;
    text.push_back(unit);
  }
  return text;
}

inline std::wstring WideText(const std::uint8_t* data, std::size_t size) {
  return WideText(std::string_view(reinterpret_cast<const char*>(data), size));
}
