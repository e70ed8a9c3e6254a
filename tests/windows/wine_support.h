#pragma once

// What the tests under Wine share: files and folders, Wine's settings, the machine's registry
// read back through a view, and running a program of the build.

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tools/selftest/machine_win32.h"

namespace wine {

// The build folder as Windows sees it: Wine shows the Unix root as drive Z:.
inline const std::wstring kBuildDir = L"Z:" PERINAX_BINARY_DIR;

// ctest names the prefix the tests run in.
inline const bool kWin64Prefix =
    std::getenv("PERINAX_WINE_ARCH") && std::string(std::getenv("PERINAX_WINE_ARCH")) == "win64";

// The \\?\ form (which takes backslashes only), so that paths of any length can be used.
inline std::filesystem::path Long(const std::wstring& path) {
  return std::filesystem::path(L"\\\\?\\" + path).make_preferred();
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
struct TempFolder {
  explicit TempFolder(const std::wstring& name)
      : path((std::filesystem::temp_directory_path() / name).wstring()) {
    std::filesystem::remove_all(Long(path), ignored);
    std::filesystem::create_directories(Long(path), ignored);
  }
  ~TempFolder() { std::filesystem::remove_all(Long(path), ignored); }
  std::wstring operator/(const std::wstring& name) const { return path + L"\\" + name; }

  std::wstring path;
  std::error_code ignored;
};

// One of Wine's settings for Perinax.exe, for as long as the object lives: Version (the Windows
// version it is shown), or one of a subkey (\DllOverrides: where its DLLs are taken from).
struct PerinaxSetting {
  PerinaxSetting(std::wstring name, const std::wstring& text, const std::wstring& subkey = L"")
      : key(kWinePerinaxSettings + subkey), name(std::move(name)) {
    RegSetKeyValueW(HKEY_CURRENT_USER, this->key.c_str(), this->name.c_str(), REG_SZ, text.c_str(),
                    DWORD((text.size() + 1) * sizeof(wchar_t)));
  }
  ~PerinaxSetting() { RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str()); }

  std::wstring key, name;
};

// The machine's registry through a view, and Wine's settings key, as the self-test reads them.
using ::MachineDword;
using ::RemoveMachineKey;

// Runs a command line from a folder, standard output to a file (and standard input from one, when
// named) or, without one, detached with no console or handles, as a deployment tool starts a
// program: its exit code (and process id), or kNotRun when it did not start or end in time (it is
// then ended, with every process it started).
inline constexpr DWORD kNotRun = 0xDEADDEAD;
inline DWORD Run(std::wstring commandLine, const std::wstring& folder, const std::wstring& output,
                 DWORD* processId = nullptr, const std::wstring& input = L"") {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  const bool detached = output.empty();
  startup.dwFlags = detached ? 0 : STARTF_USESTDHANDLES;
  // Wine's helpers may hold the handle a moment after the program ends: share it all.
  startup.hStdOutput =
      detached ? nullptr
               : CreateFileW(output.c_str(), GENERIC_WRITE, 7, &inherit, CREATE_ALWAYS, 0, nullptr);
  startup.hStdInput = input.empty() ? nullptr
                                    : CreateFileW(input.c_str(), GENERIC_READ, 7, &inherit,
                                                  OPEN_EXISTING, 0, nullptr);
  const HANDLE job = CreateJobObjectW(nullptr, nullptr);
  PROCESS_INFORMATION process{};
  DWORD code = kNotRun;
  if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, !detached,
                     (detached ? DETACHED_PROCESS : CREATE_NO_WINDOW) | CREATE_SUSPENDED, nullptr,
                     folder.c_str(), &startup, &process)) {
    if (processId) *processId = process.dwProcessId;
    AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.hProcess, &code);
    } else {
      TerminateJobObject(job, kNotRun);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(job);
  if (!detached) CloseHandle(startup.hStdOutput);
  if (startup.hStdInput != nullptr) CloseHandle(startup.hStdInput);
  return code;
}

// A UTF-8 file's lines, without their line ends.
inline std::vector<std::wstring> Lines(const std::wstring& file) {
  std::vector<std::wstring> lines;
  std::wistringstream stream(Wide(ReadBytes(file).value_or("")));
  for (std::wstring line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Runs a program (the build's Perinax.exe unless named) with the argument text from a folder
// under the build's trace viewer, given its options: its exit code and the lines the program
// traced, without the viewer's own (marked "perinax-trace: "), which its own test reads.
inline std::pair<DWORD, std::vector<std::wstring>> RunTraced(
    const std::wstring& folder, const std::wstring& args,
    const std::wstring& program = kBuildDir + L"/Perinax.exe", const std::wstring& options = L"") {
  // One file per test process: the tests of one prefix run at the same time.
  const std::wstring output = (std::filesystem::temp_directory_path() /
                               (L"trace" + std::to_wstring(GetCurrentProcessId()) + L".txt"))
                                  .wstring();
  const DWORD code = Run(L"\"" + kBuildDir + L"/tools/perinax-trace.exe\" " + options + L"\"" +
                             program + L"\"" + (args.empty() ? L"" : L" ") + args,
                         folder, output);
  std::vector<std::wstring> lines = Lines(output);
  std::erase_if(lines,
                [](const std::wstring& line) { return line.starts_with(L"perinax-trace: "); });
  return {code, lines};
}

// What Perinax traces after its configuration phase: the argument text twice and, unless the start
// failed, the start, the wait and the setup program's exit code.
inline std::vector<std::wstring> StartTrace(const std::wstring& args, DWORD code, bool started) {
  const std::wstring setupLine = (L"Setup CMD " + args).substr(0, 259);
  if (!started) return {setupLine, setupLine};
  return {setupLine, setupLine, L"CreateProcess", L"WaitForSingleObject",
          code == STILL_ACTIVE ? L"Still running" : L"Exit Code " + std::to_wstring(int(code))};
}

}  // namespace wine
