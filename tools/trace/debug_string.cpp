#include "tools/trace/debug_string.h"

#include <utility>

namespace {

// Windows' smallest page: reads that stop at its multiples never span two pages.
constexpr std::uint64_t kPageSize = 4096;

bool IsTerminator(const std::string& bytes, std::size_t at, std::size_t charSize) {
  for (std::size_t i = 0; i < charSize; ++i) {
    if (bytes[at + i] != '\0') return false;
  }
  return true;
}

}  // namespace

DebugStringBytes ReadTerminatedString(std::uint64_t address, std::size_t charSize,
                                      const ReadMemory& read, std::size_t maxChars) {
  const std::size_t keep = maxChars * charSize;
  std::string bytes;
  std::size_t scanned = 0;  // bytes looked at for the terminator, whole characters
  char page[kPageSize];
  for (std::uint64_t at = address;;) {
    const std::size_t size = static_cast<std::size_t>(kPageSize - at % kPageSize);
    // A string that runs into memory it cannot read ends there (its sender could not have read
    // it either).
    if (!read(at, page, size)) break;
    bytes.append(page, size);
    at += size;
    for (; scanned + charSize <= bytes.size(); scanned += charSize) {
      if (IsTerminator(bytes, scanned, charSize)) {
        bytes.resize(scanned);
        return {std::move(bytes), false};
      }
      if (scanned == keep) {
        bytes.resize(keep);
        return {std::move(bytes), true};
      }
    }
  }
  bytes.resize(scanned);
  return {std::move(bytes), false};
}
