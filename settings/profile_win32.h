#pragma once

#include "settings/profile_api.h"

// The profile calls on Windows, one Win32 or runtime call each.
class Win32Profile final : public ProfileApi {
 public:
  std::uint32_t ReadCurrentDirectory(std::uint32_t size, wchar_t* buffer) override;
  int AccessFile(const wchar_t* path) override;
  std::uint32_t GetSectionNames(wchar_t* buffer, std::uint32_t size, const wchar_t* file) override;
  std::uint32_t GetString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText,
                          wchar_t* buffer, std::uint32_t size, const wchar_t* file) override;
};
