#pragma once

// SHA-256 (FIPS 180-4) of a run of bytes: the viewer names the Perinax.ini a
// run read by it, so that an administrator can tell which version of a
// package's file was there. Portable, so that it needs no crypto DLL.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using Sha256Digest = std::array<std::uint8_t, 32>;

Sha256Digest Sha256Of(std::string_view bytes);

// The 64 lowercase hex digits, as sha256sum and certutil print them.
std::wstring HexDigits(const Sha256Digest& digest);
