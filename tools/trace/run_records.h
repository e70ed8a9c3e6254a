#pragma once

// The viewer's records of a run, in its own component. Before the run: whose
// versions, where, as whom and over which Perinax.ini it runs. After the run,
// when the trace is Perinax's: the section it read, the program it started and
// the registry value as it now stands, in the view it belongs in. The launcher's
// trace leaves these unsaid or names only what it looked for. Each record is
// one fact, made here from facts that run_facts_win32 gathers; what the run
// should have done comes from perinax-explain's plan of it, so that no rule of
// the launcher is written twice.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/os_version_code.h"
#include "settings/ini_settings.h"
#include "tools/common/sha256.h"
#include "tools/explain/engine/explainer.h"
#include "tools/trace/rules.h"

// A file of a folder as Windows names it: "C:\pkg" and "C:\" give
// "C:\pkg\Perinax.ini" and "C:\Perinax.ini".
std::wstring PathInFolder(const std::wstring& folder, const std::wstring& name);

struct BeforeRunFacts {
  std::wstring programName;  // the started program's file name, "Perinax.exe"; empty: not started
  std::optional<std::wstring> programVersion;  // its FileVersion; none: no version resource
  std::wstring folder;                         // the working folder
  std::wstring account;                        // "DOMAIN\user"; empty: it could not be read
  std::optional<Sha256Digest> iniDigest;       // none: no Perinax.ini in the working folder
};

// The versions, the working folder and the account; the "running" record of
// the command line follows them, then IniRecord.
std::vector<ViewerLine> RunnerRecords(const BeforeRunFacts& facts);
// The INI file's digest, or an error when the working folder holds none.
ViewerLine IniRecord(const BeforeRunFacts& facts);

// What the after-run records take from the trace as it passes.
class RunWatch {
 public:
  void See(std::wstring_view line);
  // The code of the first "OS version N" line: a trace without one is not
  // Perinax's, or ended before it got that far.
  const std::optional<OSVersionCode>& osCode() const { return osCode_; }
  // The trace said the setup program started.
  bool started() const { return launch_.started(); }

 private:
  std::optional<OSVersionCode> osCode_;
  LaunchLines launch_;
};

// Where the plan's value is read back from.
enum class RegistryView {
  k64,        // x64 Windows, the 64-bit view
  k32,        // x64 Windows, the 32-bit view (Wow6432Node)
  kOnlyView,  // 32-bit Windows, which has one registry
};

struct ReadBackTarget {
  std::wstring key;  // below HKEY_LOCAL_MACHINE
  std::wstring name;
  RegistryView view;
};

// The value the plan writes, or none when it writes none.
std::optional<ReadBackTarget> ReadBackTargetOf(const CasePlan& plan);

// The view bits for RegOpenKeyExW: KEY_WOW64_64KEY, KEY_WOW64_32KEY, or none on
// 32-bit Windows, where they mean nothing.
std::uint32_t ViewAccessBits(RegistryView view);

// The value as read back: a Win32 status (0: read, 2: the key or value is not
// there), the value when read, and the system's text of any other status.
struct ReadBack {
  std::int32_t status = 0;
  std::uint32_t value = 0;
  std::wstring errorText;
};

struct AfterRunFacts {
  const CasePlan& plan;  // PlanOsCode over the working folder's Perinax.ini
  bool iniFound;
  std::wstring folder;
  bool started;                      // RunWatch::started
  std::optional<ReadBack> readBack;  // when the plan writes a value
};

// The plan of the run the trace shows, over the working folder's Perinax.ini
// (missing when it is not there); none when the trace is not Perinax's.
std::optional<CasePlan> PlanOfRun(const RunWatch& watch, const IniReader& ini,
                                  const std::wstring& folder);

// The section read, the program started, the registry value.
std::vector<ViewerLine> AfterRunRecords(const AfterRunFacts& facts);
