#pragma once

// What the tests under Wine share.

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>

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

// A value below HKEY_CURRENT_USER for as long as the object lives, such as one of Wine's settings
// for one program (Software\Wine\AppDefaults\NAME.exe); its key goes with it once empty.
class UserSetting {
 public:
  UserSetting(std::wstring key, std::wstring name, const std::wstring& text)
      : UserSetting(std::move(key), std::move(name), REG_SZ, text.c_str(),
                    DWORD((text.size() + 1) * sizeof(wchar_t))) {}
  UserSetting(std::wstring key, std::wstring name, DWORD number)
      : UserSetting(std::move(key), std::move(name), REG_DWORD, &number, sizeof(number)) {}
  UserSetting(const UserSetting&) = delete;
  UserSetting& operator=(const UserSetting&) = delete;
  ~UserSetting() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str());
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD subkeys = 1, values = 1;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (subkeys == 0 && values == 0) RegDeleteKeyW(HKEY_CURRENT_USER, key_.c_str());
  }

 private:
  UserSetting(std::wstring key, std::wstring name, DWORD type, const void* data, DWORD size)
      : key_(std::move(key)), name_(std::move(name)) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), type, data, size);
  }

  std::wstring key_;
  std::wstring name_;
};

// Wine's per-program setting that shows the named program another Windows version.
class WineVersionFor : public UserSetting {
 public:
  WineVersionFor(const std::wstring& exeName, const std::wstring& version)
      : UserSetting(L"Software\\Wine\\AppDefaults\\" + exeName, L"Version", version) {}
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

// Removes a key below HKEY_LOCAL_MACHINE, with all its subkeys, from both views.
inline void RemoveMachineKey(const std::wstring& path) {
  for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) ==
        ERROR_SUCCESS) {
      RegDeleteTreeW(key, nullptr);
      RegCloseKey(key);
    }
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), view, 0);
  }
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

// Runs a command line from a folder, standard output to a file: its exit code, or kNotRun when it
// did not start or did not end in time (it is then ended, with every process it started).
inline constexpr DWORD kNotRun = 0xDEADDEAD;
inline DWORD Run(std::wstring commandLine, const std::wstring& folder, const std::wstring& output,
                 DWORD timeoutMs = 120000) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  // Wine's helpers may hold the handle a moment after the program ends: share it all.
  startup.hStdOutput = CreateFileW(output.c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                                   CREATE_ALWAYS, 0, nullptr);
  const HANDLE job = CreateJobObjectW(nullptr, nullptr);
  PROCESS_INFORMATION process{};
  DWORD code = kNotRun;
  if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                     CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, folder.c_str(), &startup,
                     &process)) {
    AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.hProcess, &code);
    } else {
      TerminateJobObject(job, kNotRun);
      TerminateProcess(process.hProcess, kNotRun);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(job);
  CloseHandle(startup.hStdOutput);
  return code;
}

}  // namespace wine
