#pragma once

#include <cstddef>

#include "common/text.h"

// Every setting is a fixed buffer: at most 259 characters and a terminator.
inline constexpr std::size_t kSettingChars = 260;

// What a setting holds when its key is missing from the chosen section (or the
// INI file is missing).
inline constexpr wchar_t kSettingDefault[] = L"Unknow";

inline bool IsMissingSetting(const wchar_t* field) {
  return SameText(field, kSettingDefault);
}

// The seven settings read from the chosen section of Perinax.ini.
struct SetupSettings {
  wchar_t m_szSetupFile[kSettingChars] = {};
  wchar_t m_szReg32KeyPath[kSettingChars] = {};
  wchar_t m_szReg32KeyName[kSettingChars] = {};
  wchar_t m_szReg32KeyValue[kSettingChars] = {};
  wchar_t m_szReg64KeyPath[kSettingChars] = {};
  wchar_t m_szReg64KeyName[kSettingChars] = {};
  wchar_t m_szReg64KeyValue[kSettingChars] = {};
  // Whether the section named a setup program whole: false when there is no
  // INI file, no SetupFile key in the section, or a value too long for its
  // field. Nothing is then started, since "Unknow" or a cut name would be
  // looked for in the folder, on the PATH and in App Paths, and could start
  // a program the INI file never named.
  bool m_bSetupFileNamed = false;
};
