#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ini_reader.h"
#include "settings/profile_api.h"

// The profile calls for host tests. The current directory is a text the test
// sets (or a failure); the INI file, whatever path is asked for, is the text
// given to SetIniText, read by IniReader as Windows reads it, or no file at
// all. Every call is recorded as "Name(argument, ...)" so a test can check what
// was read and what was not.
//
//   FakeProfile profile;
//   profile.currentDirectory = L"C:\\Setup";
//   profile.SetIniText("[win7]\nSetupFile=a.exe\n");
class FakeProfile final : public ProfileApi {
 public:
  // Answered as GetCurrentDirectoryW answers: a directory that does not fit
  // the caller's buffer leaves it untouched and gives the size it would need.
  std::wstring currentDirectory = L"C:\\Setup";
  bool currentDirectoryFails = false;
  // Overrides what AccessFile reports (else 0 with a file, 2 without one).
  std::optional<int> accessResult;
  std::vector<std::wstring> calls;

  // The bytes of Perinax.ini, as they would lie on disk.
  void SetIniText(std::string_view bytes) { ini_ = IniReader::FromBytes(bytes); }
  void RemoveIni() { ini_ = IniReader::Missing(); }

  // Calls of the named operation, e.g. CountCalls(L"GetString").
  std::size_t CountCalls(std::wstring_view name) const {
    std::size_t count = 0;
    for (const std::wstring& call : calls) {
      if (call.size() > name.size() && call.compare(0, name.size(), name) == 0 &&
          call[name.size()] == L'(') {
        ++count;
      }
    }
    return count;
  }

  std::uint32_t ReadCurrentDirectory(std::uint32_t size, wchar_t* buffer) override {
    calls.push_back(L"GetCurrentDirectory(" + std::to_wstring(size) + L")");
    if (currentDirectoryFails) return 0;
    const auto length = static_cast<std::uint32_t>(currentDirectory.size());
    if (length + 1 > size) return length + 1;
    currentDirectory.copy(buffer, length);
    buffer[length] = L'\0';
    return length;
  }

  int AccessFile(const wchar_t* path) override {
    calls.push_back(L"AccessFile(" + std::wstring(path) + L")");
    if (accessResult) return *accessResult;
    return ini_.exists() ? 0 : 2;
  }

  std::uint32_t GetSectionNames(wchar_t* buffer, std::uint32_t size, const wchar_t* file) override {
    calls.push_back(L"GetSectionNames(" + std::to_wstring(size) + L", " + file + L")");
    return ini_.SectionNames(buffer, size);
  }

  std::uint32_t GetString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText,
                          wchar_t* buffer, std::uint32_t size, const wchar_t* file) override {
    calls.push_back(L"GetString(" + std::wstring(section) + L", " + key + L", " + defaultText +
                    L", " + std::to_wstring(size) + L", " + file + L")");
    return ini_.GetString(section, key, defaultText, buffer, size);
  }

 private:
  IniReader ini_ = IniReader::Missing();
};
