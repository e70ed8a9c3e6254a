#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings/ini_reader.h"
#include "settings/profile_api.h"

// A current directory (empty: unreadable) and an INI text read as Windows reads it, whatever
// the path (the real readers under Wine show that the right file is named).
class FakeProfile final : public ProfileApi {
 public:
  std::wstring currentDirectory = L"C:\\Setup";
  std::optional<std::uint32_t> directoryResult;  // else as GetCurrentDirectoryW

  void SetIniText(std::string_view bytes) { ini_ = IniReader::FromBytes(bytes); }

  // As GetCurrentDirectoryW: too small a buffer is left alone and the size needed returned.
  std::uint32_t ReadCurrentDirectory(std::uint32_t size, wchar_t* buffer) override {
    const auto length = static_cast<std::uint32_t>(currentDirectory.size());
    if (length + 1 > size) return length + 1;
    buffer[currentDirectory.copy(buffer, length)] = L'\0';
    return directoryResult.value_or(length);
  }
  int AccessFile(const wchar_t*) override { return ini_.exists() ? 0 : 2; }  // 2: ENOENT
  std::uint32_t GetSectionNames(wchar_t* buffer, std::uint32_t size, const wchar_t*) override {
    return ini_.SectionNames(buffer, size);
  }
  std::uint32_t GetString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText,
                          wchar_t* buffer, std::uint32_t size, const wchar_t*) override {
    return ini_.GetString(section, key, defaultText, buffer, size);
  }

 private:
  IniReader ini_ = IniReader::Missing();
};
