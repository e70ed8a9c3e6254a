#pragma once

// What Perinax.ini holds for the launcher: the seven keys (what each sets, for
// which architecture, into which field) and the section each Windows version
// reads. The launcher reads its settings by this table; perinax-explain and the
// trace viewer explain a file by it, so no key or section is named twice.

#include <cstdint>

#include "common/os_version_code.h"
#include "common/setup_settings.h"

// What a key sets.
enum class KeyRole : std::uint8_t { kProgram, kPath, kName, kValue };

// A key that belongs to both architectures' runs.
inline constexpr std::uint32_t kAnyArchitecture = 0xFFFF;

struct IniKeySpec {
  const wchar_t* name;
  KeyRole role;
  std::uint32_t architecture;  // the architecture whose run uses it
  wchar_t (SetupSettings::*field)[kSettingChars];
};

// The keys, in the order the launcher reads them.
inline constexpr IniKeySpec kIniKeys[] = {
    {L"SetupFile", KeyRole::kProgram, kAnyArchitecture, &SetupSettings::m_szSetupFile},
    {L"RegPath32KeyPath", KeyRole::kPath, kArchitectureX86, &SetupSettings::m_szReg32KeyPath},
    {L"RegPath32KeyName", KeyRole::kName, kArchitectureX86, &SetupSettings::m_szReg32KeyName},
    {L"RegPath32KeyValue", KeyRole::kValue, kArchitectureX86, &SetupSettings::m_szReg32KeyValue},
    {L"RegPath64KeyPath", KeyRole::kPath, kArchitectureX64, &SetupSettings::m_szReg64KeyPath},
    {L"RegPath64KeyName", KeyRole::kName, kArchitectureX64, &SetupSettings::m_szReg64KeyName},
    {L"RegPath64KeyValue", KeyRole::kValue, kArchitectureX64, &SetupSettings::m_szReg64KeyValue},
};
inline constexpr const IniKeySpec& kSetupFileKey = kIniKeys[0];

// The key of a role for an architecture's target: RegPath64KeyName for kName on x64.
constexpr const IniKeySpec& TargetKey(KeyRole role, std::uint32_t architecture) {
  for (const IniKeySpec& key : kIniKeys) {
    if (key.role == role && key.architecture == architecture) return key;
  }
  return kSetupFileKey;
}

// The section read when no version section applies (or the file lacks it).
inline constexpr wchar_t kSectionDefault[] = L"Default";

// The version section of Windows 6.1, 6.2 and 6.3 (win7, win8, win8.1), read
// when the file has a section of exactly that name; null for every other
// version, the probe's failure among them.
constexpr const wchar_t* VersionSectionOf(OSVersionCode osCode) {
  switch (VersionHalfOf(osCode)) {
    case 0x0601:
      return L"win7";
    case 0x0602:
      return L"win8";
    case 0x0603:
      return L"win8.1";
    default:
      return nullptr;
  }
}
