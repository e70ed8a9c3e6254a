#pragma once

// What the tests under Wine share.

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace wine {

// The build folder as Windows sees it: Wine shows the Unix root as drive Z:.
inline const std::wstring kBuildDir = L"Z:" PERINAX_BINARY_DIR;

inline bool IsWin64Prefix() {
  const char* arch = std::getenv("PERINAX_WINE_ARCH");
  return arch != nullptr && std::string(arch) == "win64";
}

// The \\?\ form, so that paths of any length can be made and removed.
inline std::filesystem::path Long(const std::wstring& path) {
  return L"\\\\?\\" + path;
}

inline std::wstring Wide(const std::string& text, UINT codePage = CP_UTF8) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), wide.data(),
                                  int(wide.size())));
  return wide;
}

inline std::string Narrow(const std::wstring& text, UINT codePage = CP_UTF8) {
  std::string narrow(text.size() * 4, '\0');
  narrow.resize(WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), narrow.data(),
                                    int(narrow.size()), nullptr, nullptr));
  return narrow;
}

inline std::optional<std::string> ReadBytes(const std::wstring& path) {
  std::ifstream file(Long(path), std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), {});
}

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream(Long(path), std::ios::binary) << bytes;
}

// A fresh folder below the temporary folder, removed with all it holds.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& name)
      : path_((std::filesystem::temp_directory_path() / name).wstring()) {
    std::filesystem::remove_all(Long(path_), ignored_);
    std::filesystem::create_directories(Long(path_), ignored_);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() { std::filesystem::remove_all(Long(path_), ignored_); }

  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
  std::error_code ignored_;
};

// Wine's per-program setting that shows the named program another Windows version.
class WineVersionFor {
 public:
  WineVersionFor(const std::wstring& exeName, const std::wstring& version)
      : key_(L"Software\\Wine\\AppDefaults\\" + exeName) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), L"Version", REG_SZ, version.c_str(),
                    DWORD((version.size() + 1) * sizeof(wchar_t)));
  }
  WineVersionFor(const WineVersionFor&) = delete;
  WineVersionFor& operator=(const WineVersionFor&) = delete;
  ~WineVersionFor() { RegDeleteKeyW(HKEY_CURRENT_USER, key_.c_str()); }

 private:
  std::wstring key_;
};

// The Windows versions Wine can show, packed as the launcher packs them, and their section.
struct WindowsVersion {
  const wchar_t* wineName;
  std::uint32_t versionHalf;
  const wchar_t* section;
};
inline constexpr WindowsVersion kVista{L"vista", 0x0600, nullptr}, kWin7{L"win7", 0x0601, L"win7"},
    kWin8{L"win8", 0x0602, L"win8"}, kWin81{L"win81", 0x0603, L"win8.1"},
    kWin10{L"win10", 0x1000, nullptr};

// Removes a key below HKEY_LOCAL_MACHINE, with no subkeys, from both views.
inline void RemoveMachineKey(const std::wstring& path) {
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_32KEY, 0);
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0);
}

// A DWORD below HKLM through a view: RRF_SUBKEY_WOW6464KEY, RRF_SUBKEY_WOW6432KEY or 0 (own).
inline std::optional<DWORD> MachineDword(const std::wstring& path, const std::wstring& name,
                                         DWORD view) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), name.c_str(),
                                      RRF_RT_REG_DWORD | view, nullptr, &value, &size);
  return status == ERROR_SUCCESS ? std::optional(value) : std::nullopt;
}

// Runs a command line from a folder, standard output to a file: its exit code, or kNotRun.
inline constexpr DWORD kNotRun = 0xDEADDEAD;
inline DWORD Run(std::wstring commandLine, const std::wstring& folder, const std::wstring& output) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  // Wine's helpers may hold the handle a moment after the program ends: share it all.
  startup.hStdOutput = CreateFileW(output.c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                                   CREATE_ALWAYS, 0, nullptr);
  PROCESS_INFORMATION process{};
  DWORD code = kNotRun;
  if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                     folder.c_str(), &startup, &process)) {
    if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.hProcess, &code);
    }
    TerminateProcess(process.hProcess, kNotRun);  // if it is still running
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(startup.hStdOutput);
  return code;
}

}  // namespace wine
