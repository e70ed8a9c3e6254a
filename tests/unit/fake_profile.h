#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "lib/adapters/ini_profile.h"

// A current directory (empty: unreadable) and an INI text read as Windows reads it, whatever
// the path (the real readers under Wine show that the right file is named).
class FakeProfile final : public IniProfile {
 public:
  FakeProfile() : IniProfile(&ini_) {}
  FakeProfile(const FakeProfile&) = delete;
  FakeProfile& operator=(const FakeProfile&) = delete;

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

 private:
  IniReader ini_ = IniReader::Missing();
};
