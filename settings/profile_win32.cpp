#include "settings/profile_win32.h"

#include <io.h>
#include <windows.h>

std::uint32_t Win32Profile::ReadCurrentDirectory(std::uint32_t size, wchar_t* buffer) {
  return GetCurrentDirectoryW(size, buffer);
}

int Win32Profile::AccessFile(const wchar_t* path) {
  return _waccess_s(path, 0);
}

std::uint32_t Win32Profile::GetSectionNames(wchar_t* buffer, std::uint32_t size,
                                            const wchar_t* file) {
  return GetPrivateProfileSectionNamesW(buffer, size, file);
}

std::uint32_t Win32Profile::GetString(const wchar_t* section, const wchar_t* key,
                                      const wchar_t* defaultText, wchar_t* buffer,
                                      std::uint32_t size, const wchar_t* file) {
  return GetPrivateProfileStringW(section, key, defaultText, buffer, size, file);
}
