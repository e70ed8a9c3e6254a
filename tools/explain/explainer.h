#pragma once

// perinax-explain's prediction: the launcher's own configuration phase and the
// start of its launch, run once per Windows case on the planning platform, and
// the warnings about what in the INI file is probably a mistake.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/os_version_code.h"
#include "common/setup_settings.h"
#include "settings/ini_reader.h"
#include "tools/explain/catalogue.h"
#include "tools/explain/planning_platform.h"

// One Windows release on one architecture, as the OS probe reports it.
struct ExplainCase {
  const char* name;            // for --case: "win7-x64", "probe-failed"
  const wchar_t* version;      // the WMI version text; empty: the probe fails
  std::uint16_t architecture;  // wProcessorArchitecture: 0 x86, 9 x64
  const char* windows;         // "6.1"; null when the version is not readable
  const char* arch;            // "x64"; null when the version is not readable
  const wchar_t* title;        // "Windows 7" for messages
};

// The eleven cases, in the order of the table.
const std::vector<ExplainCase>& ExplainCases();
const ExplainCase* FindExplainCase(std::string_view name);

struct CasePlan {
  const ExplainCase* spec = nullptr;  // null for a code of no row of the table
  std::wstring section;               // the section the settings were read from
  // The version section this case looks for (win7, win8, win8.1), or null.
  const wchar_t* versionSection = nullptr;
  std::vector<std::wstring> keysRead;  // the keys read from it, in order
  std::vector<std::wstring> phase;     // the configuration phase's trace lines
  std::vector<std::wstring> launch;    // the launch's trace lines up to the start
  SetupSettings settings;              // as the run left them
  std::optional<PlanningRegistry::Write> write;
  int view = 0;  // 32 or 64 when written
  bool keyRefused = false;
  std::optional<std::wstring> started;  // what the shell was asked to start
  // Whether that file is beside the INI file; unknown for a path of the target
  // machine, or when the folder cannot be seen.
  std::optional<bool> startedFound;
};

struct Warning {
  std::uint32_t line = 0;
  Code code = Code::kEncoding;
  // What it is about, without its line: "[Default] SetupFile", "[win7]", or
  // empty for the file as a whole. Findings are known by it across edits.
  std::wstring about;
  std::wstring message;
};

struct Explanation {
  std::wstring file;  // FILE's absolute path, as shown in the trace
  std::vector<CasePlan> cases;
  std::vector<Warning> warnings;  // by line
  // Every warning found, those folded into a closing "more" warning included.
  std::size_t warningCount = 0;
  bool folderChecked = true;  // false: the folder beside FILE could not be seen
};

// Runs every case over `ini` (read from a file in `folder`, shown as `file`),
// with `args` as the argument text, and collects the warnings. Without a
// folder (only the file's bytes are known), nothing is looked up beside it.
Explanation Explain(const IniReader& ini, const std::optional<std::filesystem::path>& folder,
                    const std::wstring& file, const std::wstring& args);

// The plan of one run whose trace gave this OS code ("OS version N"), run as
// Explain runs each case. Its case is the table's row of that code, or null
// for a code the table does not hold (an ARM64 machine, another version).
CasePlan PlanOsCode(OSVersionCode code, const IniReader& ini,
                    const std::optional<std::filesystem::path>& folder, const std::wstring& file,
                    const std::wstring& args);

// Why a case writes nothing, or empty when it writes a value.
std::wstring NothingWrittenReason(const CasePlan& plan);

// Warnings of one code after this many are folded into one closing warning, so
// that a file of a million bad lines still gets a readable answer.
inline constexpr std::size_t kWarningsPerCode = 100;
