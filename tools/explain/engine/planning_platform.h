#pragma once

// The platform perinax-explain runs the launcher's own configuration phase and
// launch on: nothing is read from or written to the machine it runs on except
// the INI file and the file system beside it. Each part answers as the target
// machine would on a first run, and records what the launcher asked of it.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/trace.h"
#include "launch/shell_api.h"
#include "lib/adapters/ini_profile.h"
#include "lib/adapters/line_trace.h"
#include "lib/ini/ini_reader.h"
#include "osinfo/os_probe_api.h"
#include "registry/registry_api.h"
#include "tools/explain/engine/explanation.h"

// The INI file stands in for Perinax.ini whatever path the launcher builds; the
// folder reported as current is a short stand-in, since the media folder on the
// target machine is not known here (the explainer reports FILE's own path).
// Final, and its interface's destructor is protected: never deleted through a base pointer.
// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor)
class PlanningProfile final : public IniProfile {
 public:
  explicit PlanningProfile(const IniReader& ini) : IniProfile(&ini) {}

  std::uint32_t ReadCurrentDirectory(std::uint32_t size, wchar_t* buffer) override;
  // Answered from the file, and the section and key recorded.
  std::uint32_t GetString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText,
                          wchar_t* buffer, std::uint32_t size, const wchar_t* file) override;

  // The section of the key reads: the one the run chose.
  const std::optional<std::wstring>& sectionRead() const { return sectionRead_; }
  // The keys read, in the launcher's order.
  const std::vector<std::wstring>& keysRead() const { return keysRead_; }

 private:
  std::optional<std::wstring> sectionRead_;
  std::vector<std::wstring> keysRead_;
};

// The version text of one Windows release and an architecture; or, when
// `versionText` is empty, the probe failing at the WMI connection, as it does
// where the WMI service is stopped or broken.
// Final, and its interface's destructor is protected: never deleted through a base pointer.
// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor)
class PlanningOsProbe final : public OsProbeApi {
 public:
  PlanningOsProbe(std::wstring versionText, std::uint16_t architecture)
      : versionText_(std::move(versionText)), architecture_(architecture) {}

  HResult InitializeCom() override { return 0; }
  HResult InitializeSecurity() override { return 0; }
  HResult CreateLocator() override { return 0; }
  HResult ConnectServer(const wchar_t* wmiNamespace) override;
  HResult SetProxyBlanket() override { return 0; }
  HResult ExecQuery(const char* language, const char* query) override;
  WmiObject NextInstance() override;
  bool GetVersionText(WmiObject instance, wchar_t* text, std::size_t capacity) override;
  void ReleaseServices() override {}
  void ReleaseLocator() override {}
  void ReleaseEnumerator() override {}
  void ReleaseInstance(WmiObject instance) override;
  void UninitializeCom() override {}
  std::uint16_t NativeProcessorArchitecture() override { return architecture_; }

 private:
  std::wstring versionText_;
  std::uint16_t architecture_;
  bool handedOut_ = false;
};

// A registry in which no key exists yet: every open fails, every create and set
// succeeds, except that a key path beginning with a backslash is refused, as the
// registry refuses it (ERROR_BAD_PATHNAME).
// Final, and its interface's destructor is protected: never deleted through a base pointer.
// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor)
class PlanningRegistry final : public RegistryApi {
 public:
  using Write = RegistryWrite;

  std::int32_t OpenKey(const wchar_t* path, std::uint32_t access, RegKey* key) override;
  std::int32_t CreateKey(const wchar_t* path, std::uint32_t access, RegKey* key) override;
  std::int32_t SetDwordValue(RegKey key, const wchar_t* name, std::uint32_t value) override;
  void CloseKey(RegKey key) override;
  void DisableFsRedirection(void** oldValue) override;
  void RevertFsRedirection(void* oldValue) override;

  // The value set, if any.
  const std::optional<Write>& written() const { return written_; }
  // A key path was refused.
  bool refused() const { return refused_; }

 private:
  std::optional<Write> created_;
  std::optional<Write> written_;
  bool refused_ = false;
  char key_ = 0;
};

// The shell of the target machine, as far as it can be known here: a relative
// SetupFile is looked up beside the INI file (when its folder can be seen; else
// nothing is taken for a folder). Every start "fails" after being
// recorded, so that the launch stops after its two "Setup CMD" lines.
// Final, and its interface's destructor is protected: never deleted through a base pointer.
// What the file system said of paths beside one INI file, remembered across its
// eleven cases so that each path is asked once. An answer may be "cannot say"
// (a path of the target machine alone).
class PathAnswers {
 public:
  template <typename Look>
  std::optional<bool> Of(const std::wstring& path, Look look) {
    for (const auto& [known, answer] : answers_) {
      if (known == path) return answer;
    }
    return answers_.emplace_back(path, look()).second;
  }

 private:
  std::vector<std::pair<std::wstring, std::optional<bool>>> answers_;
};

// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor)
class PlanningShell final : public ShellApi {
 public:
  // `folders`, when given, remembers which paths are folders across the runs
  // of one file, so that its eleven cases ask the file system once a path.
  explicit PlanningShell(std::optional<std::filesystem::path> iniFolder,
                         PathAnswers* folders = nullptr)
      : iniFolder_(std::move(iniFolder)), folders_(folders) {}

  bool IsFolder(const wchar_t* path) override;
  bool Execute(const LaunchRecord& record, ProcessHandle* process) override;
  void WaitForProcess(ProcessHandle) override {}
  bool GetExitCode(ProcessHandle, std::uint32_t*) override { return false; }
  void CloseProcess(ProcessHandle) override {}

  // What the shell was asked to start (lpFile), if anything.
  const std::optional<std::wstring>& file() const { return file_; }

 private:
  std::optional<std::filesystem::path> iniFolder_;
  PathAnswers* folders_;
  std::optional<std::wstring> file_;
};

// Keeps every trace line.
using PlanningTrace = LineTrace;

// Where a SetupFile text leads on this machine, relative to the INI file's
// folder, with Windows separators turned into this system's. Null for a path
// that only the target machine can resolve: a network path (\\server\... or
// //server/...) on every build, a drive path where this is not Windows.
std::optional<std::filesystem::path> LocalPathOf(const std::filesystem::path& iniFolder,
                                                 const std::wstring& setupFile);
