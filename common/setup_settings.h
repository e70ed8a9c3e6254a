#pragma once

#include <cstddef>

// Every setting is a fixed buffer: at most 259 characters and a terminator.
inline constexpr std::size_t kSettingChars = 260;

// The seven settings read from the chosen section of Perinax.ini.
struct SetupSettings {
  wchar_t m_szSetupFile[kSettingChars] = {};
  wchar_t m_szReg32KeyPath[kSettingChars] = {};
  wchar_t m_szReg32KeyName[kSettingChars] = {};
  wchar_t m_szReg32KeyValue[kSettingChars] = {};
  wchar_t m_szReg64KeyPath[kSettingChars] = {};
  wchar_t m_szReg64KeyName[kSettingChars] = {};
  wchar_t m_szReg64KeyValue[kSettingChars] = {};
};
