#pragma once

#include <cstdint>

// The Windows version and native processor architecture in one value:
// bits 31-24 major, 23-16 minor, 7-0 the low byte of wProcessorArchitecture.
using OSVersionCode = std::uint32_t;

// The probe failed: selects the section "Default" and no registry target.
inline constexpr OSVersionCode kOSProbeFailed = 255;

inline constexpr std::uint32_t kArchitectureX86 = 0;
inline constexpr std::uint32_t kArchitectureX64 = 9;

// Major and minor are packed as the launcher always has: ((major << 8) | minor) << 16,
// in 32-bit arithmetic, so numbers of 256 and more spill into the neighbouring bits.
constexpr OSVersionCode PackOSVersionCode(std::uint32_t major, std::uint32_t minor,
                                          std::uint32_t architecture) {
  return (((major << 8) | minor) << 16) | (architecture & 0xFFu);
}

// 0x0601 for Windows 6.1, 0x0603 for 6.3; 0 for kOSProbeFailed.
constexpr std::uint32_t VersionHalfOf(OSVersionCode code) {
  return code >> 16;
}

constexpr std::uint32_t ArchitectureOf(OSVersionCode code) {
  return code & 0xFFu;
}
