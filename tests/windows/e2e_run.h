#pragma once

// Helpers for the end-to-end tests: a scratch folder, Wine's per-program
// Windows version, registry look-ups in either view, and a run of Perinax.exe
// under the trace viewer.

#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// Wine shows the Unix root as drive Z:.
inline std::wstring WinePathOf(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* p = unixPath; *p != '\0'; ++p) path += *p == '/' ? L'\\' : wchar_t(*p);
  return path;
}

inline std::wstring PerinaxExe() {
  return WinePathOf(PERINAX_BINARY_DIR "/Perinax.exe");
}
inline std::wstring TraceViewerExe() {
  return WinePathOf(PERINAX_BINARY_DIR "/tools/perinax-trace.exe");
}
inline std::wstring DemoSetupExe() {
  return WinePathOf(PERINAX_BINARY_DIR "/tools/perinax-demo-setup.exe");
}

inline bool IsWin64Prefix() {
  const char* arch = std::getenv("PERINAX_WINE_ARCH");
  return arch != nullptr && std::string(arch) == "win64";
}

inline std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

inline std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

// What a line looks like after a trip through the ANSI code page, the form in
// which Wine hands debug strings to a debugger.
inline std::wstring ThroughAnsiCodePage(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(), size,
                      nullptr, nullptr);
  const int back =
      MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(back), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), out.data(), back);
  return out;
}

inline std::optional<std::string> ReadFileBytes(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  CloseHandle(file);
  return bytes;
}

inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

// A folder of its own below the temporary folder, emptied and removed at the end.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
          DeleteFileW((path_ + L"\\" + found.cFileName).c_str());
        }
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(path_.c_str());
  }

  const std::wstring& Path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// Wine's per-program setting that makes Perinax.exe see another Windows version.
class WineVersionFor {
 public:
  WineVersionFor(const std::wstring& exeName, const std::wstring& version)
      : key_(L"Software\\Wine\\AppDefaults\\" + exeName) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
      return;
    }
    ok_ =
        RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                       static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(key);
  }
  WineVersionFor(const WineVersionFor&) = delete;
  WineVersionFor& operator=(const WineVersionFor&) = delete;
  ~WineVersionFor() { RegDeleteKeyW(HKEY_CURRENT_USER, key_.c_str()); }

  bool Ok() const { return ok_; }

 private:
  std::wstring key_;
  bool ok_ = false;
};

// Registry views of HKEY_LOCAL_MACHINE as a 32-bit process names them.
inline constexpr REGSAM kView32 = KEY_WOW64_32KEY;
inline constexpr REGSAM kView64 = KEY_WOW64_64KEY;

inline std::optional<DWORD> ReadMachineDword(const std::wstring& path, const std::wstring& name,
                                             REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof(value);
  const LSTATUS status =
      RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value)) return std::nullopt;
  return value;
}

inline bool MachineKeyExists(const std::wstring& path, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

// Removes the keys (each without subkeys, leaf first) from both views.
inline void DeleteMachineKeys(const std::vector<std::wstring>& paths) {
  for (const REGSAM view : {kView32, kView64}) {
    for (const std::wstring& path : paths)
      RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), view, 0);
  }
}

struct TracedRun {
  bool finished = false;
  DWORD exitCode = 0;
  std::vector<std::wstring> trace;
  std::wstring viewerErrors;
};

// Runs commandLine under the trace viewer, in folder as the current
// directory, and collects the trace lines and the exit code.
inline TracedRun RunUnderTraceViewer(const std::wstring& folder, const std::wstring& commandLine,
                                     DWORD timeoutMs = 120000) {
  TracedRun run;
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  // A name of its own for every run, so that a file that some process still
  // holds from an earlier run is never in the way.
  static int runs = 0;
  const std::wstring stem = std::wstring(temp) + L"perinax-e2e-" +
                            std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++runs);
  const std::wstring outPath = stem + L".out";
  const std::wstring errPath = stem + L".err";

  // Wine hands the standard handles on to the processes that the viewer
  // starts, and a helper of Wine's may hold them a moment after the viewer has
  // ended; sharing everything keeps that from blocking the clean-up.
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  const HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, kShareAll, &inheritable,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const HANDLE err = CreateFileW(errPath.c_str(), GENERIC_WRITE, kShareAll, &inheritable,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
    run.viewerErrors = L"cannot create the output files, error " + std::to_wstring(error);
    return run;
  }

  const std::wstring viewer = TraceViewerExe();
  std::wstring line = L"\"" + viewer + L"\" " + commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const BOOL started =
      CreateProcessW(viewer.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                     folder.c_str(), &startup, &process);
  CloseHandle(out);
  CloseHandle(err);
  if (!started) {
    run.viewerErrors = L"cannot start the trace viewer, error " + std::to_wstring(GetLastError());
  } else {
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
      run.finished = GetExitCodeProcess(process.hProcess, &run.exitCode) != FALSE;
    } else {
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, 10000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }

  const std::wstring text = FromUtf8(ReadFileBytes(outPath).value_or(""));
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
    run.trace.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) run.trace.push_back(text.substr(start));
  run.viewerErrors += FromUtf8(ReadFileBytes(errPath).value_or(""));
  DeleteFileW(outPath.c_str());
  DeleteFileW(errPath.c_str());
  return run;
}

}  // namespace e2e
