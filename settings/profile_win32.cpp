#include "settings/profile_win32.h"

#include <windows.h>

#include "settings/file_access.h"

std::uint32_t Win32Profile::ReadCurrentDirectory(std::uint32_t size, wchar_t* buffer) {
  return GetCurrentDirectoryW(size, buffer);
}

// What _waccess_s(path, 0) does, without the C runtime's DLL: a path whose
// attributes can be read exists, a file or a folder alike.
int Win32Profile::AccessFile(const wchar_t* path) {
  if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return 0;
  return AccessErrnoFromWin32Error(GetLastError());
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
