#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

// A failed check ends the run the way a crash does, so libFuzzer keeps the input and
// prints the stack down to the check's line.
#define FUZZ_CHECK(condition) ((condition) ? void(0) : std::abort())

// Bytes as the UTF-16LE text Windows would hand over: two bytes per code unit
// (an odd last byte is dropped), ended at the first zero unit.
inline std::wstring WideText(const std::uint8_t* data, std::size_t size) {
  std::wstring text;
  for (std::size_t i = 0; i + 1 < size && (data[i] | data[i + 1]) != 0; i += 2) {
    text.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));
  }
  return text;
}
