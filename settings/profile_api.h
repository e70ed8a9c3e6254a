#pragma once

#include <cstdint>

// The platform calls of the INI settings, with the Windows profile readers'
// contracts.
class ProfileApi {
 public:
  // GetCurrentDirectoryW(size, buffer): the length on success, the size needed
  // (terminator included) when the buffer is too small, 0 on failure.
  virtual std::uint32_t ReadCurrentDirectory(std::uint32_t size, wchar_t* buffer) = 0;
  // _waccess_s(path, 0): 0 when the file exists, else an errno value (2 is ENOENT).
  [[nodiscard]] virtual int AccessFile(const wchar_t* path) = 0;
  // GetPrivateProfileSectionNamesW(buffer, size, file).
  virtual std::uint32_t GetSectionNames(wchar_t* buffer, std::uint32_t size,
                                        const wchar_t* file) = 0;
  // GetPrivateProfileStringW(section, key, defaultText, buffer, size, file).
  virtual std::uint32_t GetString(const wchar_t* section, const wchar_t* key,
                                  const wchar_t* defaultText, wchar_t* buffer, std::uint32_t size,
                                  const wchar_t* file) = 0;

 protected:
  ~ProfileApi() = default;
};
