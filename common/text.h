#pragma once

#include <cstddef>

// White space as the C runtime's number readers skip it: space, \t, \n, \v,
// \f and \r (the same on every platform, whatever the locale).
constexpr bool IsNumberBlank(wchar_t c) {
  return c == L' ' || (c >= L'\t' && c <= L'\r');
}

// Length of a text held in a buffer of `capacity` characters, never reading
// past the buffer.
inline std::size_t BoundedLength(const wchar_t* text, std::size_t capacity) {
  std::size_t length = 0;
  while (length < capacity && text[length] != L'\0') ++length;
  return length;
}

// True when the two texts are equal, case included (as lstrcmpW and wcscmp
// compare them to 0).
constexpr bool SameText(const wchar_t* a, const wchar_t* b) {
  while (*a != L'\0' && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}
