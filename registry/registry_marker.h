#pragma once

#include <cstdint>

#include "common/launcher_state.h"
#include "common/os_version_code.h"
#include "common/trace.h"
#include "registry/registry_api.h"

// The folder of the 32-bit registry view in the 64-bit one; a 32-bit process
// reaches it by the path without this part.
inline constexpr wchar_t kWow6432Node[] = L"Wow6432Node\\";

// KEY_READ | KEY_WRITE, the access for every open and create.
inline constexpr std::uint32_t kRegAccessReadWrite = 0x2001F;
// KEY_WOW64_64KEY: the 64-bit registry view for a 32-bit process under WOW64.
inline constexpr std::uint32_t kRegView64Key = 0x100;

// The registry view the value was written through: 64 when the x64 target
// switched to the 64-bit view, else 32 (the 32-bit process's own view, which
// is also the only one on 32-bit Windows).
constexpr int RegistryViewOf(const RegistryViewState& view) {
  return (view.m_dwRegViewFlag & kRegView64Key) != 0 ? 64 : 32;
}

// Writes the DWORD of the target that matches the architecture byte of osCode:
// 0 the 32-bit target, 9 the x64 target, anything else nothing.
void WriteRegMarker(LauncherState& state, RegistryApi& api, TraceSink& trace, OSVersionCode osCode);

// Writes the value of one target: is64 zero the 32-bit target, else the x64 one.
void WriteToReg(LauncherState& state, RegistryApi& api, TraceSink& trace, int is64);

// The DWORD that a value text stores: read as _wtoi reads it, then taken as a
// 32-bit pattern from -2147483648 to 4294967295, and clamped beyond.
[[nodiscard]] std::uint32_t RegValueFromText(const wchar_t* text);
