#pragma once

// Reading one debug string out of the program's memory. The debug event gives its length in 16
// bits, so a string of 65,535 characters or more arrives with a length that is cut or 0: the
// viewer reads up to the terminator instead, a page at a time, since one read that runs into an
// unreadable page fails as a whole.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Copies `size` bytes of the program's memory at `address` into `buffer`; false when it cannot.
using ReadMemory = std::function<bool(std::uint64_t address, void* buffer, std::size_t size)>;

// The longest debug string kept whole, in characters; the rest of a longer one is left unread.
inline constexpr std::size_t kMaxDebugStringChars = std::size_t{1} << 20;

// Ends a line cut at kMaxDebugStringChars.
inline constexpr wchar_t kDebugStringCutMark[] = L" [cut: longer than 1048576 characters]";

struct DebugStringBytes {
  std::string bytes;  // the characters before the terminator, each charSize bytes
  bool cut;           // more characters followed the last one kept
};

// The string at `address` in characters of `charSize` bytes (2 for UTF-16, 1 for the ANSI code
// page), up to its terminator, to where memory stops being readable, or to maxChars.
DebugStringBytes ReadTerminatedString(std::uint64_t address, std::size_t charSize,
                                      const ReadMemory& read,
                                      std::size_t maxChars = kMaxDebugStringChars);
