#pragma once

// The launcher's profile calls answered from an INI file read with our own
// reader, as Windows answers them, whatever path the launcher names: what the
// checker plans a run over, and what the host tests run the launcher's
// settings over. Where the current directory comes from is the user's.

#include <cstdint>

#include "lib/ini/ini_reader.h"
#include "settings/profile_api.h"

class IniProfile : public ProfileApi {
 public:
  explicit IniProfile(const IniReader* ini) : ini_(ini) {}

  int AccessFile(const wchar_t*) override { return ini_->exists() ? 0 : kErrnoNoEntry; }
  std::uint32_t GetSectionNames(wchar_t* buffer, std::uint32_t size, const wchar_t*) override {
    return ini_->SectionNames(buffer, size);
  }
  std::uint32_t GetString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText,
                          wchar_t* buffer, std::uint32_t size, const wchar_t*) override {
    return ini_->GetString(section, key, defaultText, buffer, size);
  }

 protected:
  ~IniProfile() = default;

 private:
  static constexpr int kErrnoNoEntry = 2;  // what _waccess_s reports for a missing file
  const IniReader* ini_;
};
