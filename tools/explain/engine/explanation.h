#pragma once

// What goes into perinax-explain's engine and what comes out: plain records,
// the same for every client (the command line, the page, a language server).
// Nothing of the checks or the planning platform shows through here.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/os_version_code.h"
#include "common/setup_settings.h"
#include "tools/explain/checks/catalogue.h"

// One Windows release on one architecture, as the OS probe reports it.
struct ExplainCase {
  const char* name;            // for --case: "win7-x64", "probe-failed"
  const wchar_t* version;      // the WMI version text; empty: the probe fails
  std::uint16_t architecture;  // wProcessorArchitecture: 0 x86, 9 x64
  const char* windows;         // "6.1"; null when the version is not readable
  const char* arch;            // "x64"; null when the version is not readable
  const wchar_t* title;        // "Windows 7" for messages
};

// What the checker is asked about one INI file.
struct ExplainRequest {
  std::string_view bytes{};  // the file as it is on disk
  // The file as the trace shows it: FILE's absolute path on the command line,
  // the name the author gave on the page.
  std::wstring file{};
  // The folder the file lies in, where the setup program is looked up; none
  // when only the bytes are known (the page).
  std::optional<std::filesystem::path> folder{};
  std::wstring args{};                // the argument text Perinax is started with
  const ExplainCase* only = nullptr;  // one case asked for, or every case
  // Whether the file's own "; perinax-explain: disable=" comments count; an
  // auditor who must see everything turns them off.
  bool inlineSuppressions = true;
};

// The value the launcher writes, below HKEY_LOCAL_MACHINE.
struct RegistryWrite {
  std::wstring key;  // as created
  std::uint32_t access = 0;
  std::wstring name;
  std::uint32_t value = 0;
};

struct CasePlan {
  const ExplainCase* spec = nullptr;
  std::wstring section;  // the section the settings were read from
  // The OS code the launcher's probe gave this run (kOSProbeFailed when it failed).
  OSVersionCode osCode = kOSProbeFailed;
  // The version section this case looks for (win7, win8, win8.1), or null.
  const wchar_t* versionSection = nullptr;
  std::vector<std::wstring> keysRead;  // the keys read from it, in order
  std::vector<std::wstring> phase;     // the configuration phase's trace lines
  std::vector<std::wstring> launch;    // the launch's trace lines up to the start
  SetupSettings settings;              // as the run left them
  std::optional<RegistryWrite> write;
  int view = 0;  // 32 or 64 when written
  bool keyRefused = false;
  std::optional<std::wstring> started;  // what the shell was asked to start
  // Whether that file is beside the INI file; unknown for a path of the target
  // machine, or when the folder cannot be seen.
  std::optional<bool> startedFound;
};

// A place in the file. Lines are 1-based; columns are 1-based and count
// UTF-16 code units of the text as Windows decodes it (an ANSI file's bytes
// are a unit each), which is what an editor speaking the language server
// protocol counts by default.
struct Position {
  std::uint32_t line = 1;
  std::uint32_t column = 1;
};

// From `start` up to `end`, which is the first place past it (a key name of
// five units at column 3 ends at column 8). On one line; empty where the check
// knows the line alone (then at its column 1).
struct Range {
  Position start;
  Position end;
};

// One change a fix makes to the file: the text from `from` up to `to` (which
// may lie on a later line) replaced by `text`, in the file's own terms (its
// line end is written where `text` holds "\n").
struct TextEdit {
  Position from;
  Position to;
  std::wstring text;
};

// A mend the checker is sure of (a value's hexadecimal as decimal, a section
// name's case, a comment onto a line of its own, a key name with one sure
// candidate); `--fix`, `--diff`, SARIF's `fixes` and the language server's
// code actions all make it from here.
struct Fix {
  std::wstring description;  // "Write the value as 61"
  std::vector<TextEdit> edits;
};

// Why a finding is not held against the file: a comment in the file itself
// (SARIF's "inSource"), or a choice made outside it, in a .perinax-explainrc or
// on the command line ("external").
enum class Suppression : std::uint8_t { kNone, kInSource, kExternal };
// Against a baseline log: a finding it holds is unchanged, any other new;
// kNone when no baseline was given.
enum class BaselineState : std::uint8_t { kNone, kNew, kUnchanged };

struct Finding {
  Range range;  // the key name, the value or the section name it is about
  Code code = Code::kEncoding;
  // What it is about, without its line: "[Default] SetupFile", "[win7]", or
  // empty for the file as a whole. Findings are known by it across edits.
  std::wstring about;
  std::wstring message;
  std::optional<Fix> fix{};  // the safe fix, where there is one
  Suppression suppression = Suppression::kNone;
  BaselineState baseline = BaselineState::kNone;

  std::uint32_t line() const { return range.start.line; }
  std::uint32_t column() const { return range.start.column; }
  Level level() const { return InfoOf(code).level; }
  // Whether it counts for the exit code and shows in the forms that leave
  // suppressed and known findings out (all but SARIF).
  bool Reported() const {
    return suppression == Suppression::kNone && baseline != BaselineState::kUnchanged;
  }
};

// The findings of one code past kWarningsPerCode: counted, never built, so
// that a file of a million bad lines still gets a readable answer. No form
// makes a finding of them.
struct LeftOut {
  Code code = Code::kEncoding;
  std::size_t count = 0;
  std::uint32_t firstLine = 0;
  Suppression suppression = Suppression::kNone;  // the code is off for the whole file
};

struct Explanation {
  std::wstring file;  // as the request showed it
  std::vector<CasePlan> cases;
  const ExplainCase* only = nullptr;  // as the request asked
  std::vector<Finding> findings;      // by line, at most kWarningsPerCode of a code
  std::vector<LeftOut> leftOut;       // by code: those past the cap
  // Every finding, those left out included.
  std::size_t findingCount = 0;
  bool folderChecked = true;  // false: the folder beside the file could not be seen
};

// Findings of one code after this many are only counted (see LeftOut).
inline constexpr std::size_t kWarningsPerCode = 100;

// The exit codes of every client.
inline constexpr int kExplainClean = 0;
inline constexpr int kExplainWarnings = 1;
inline constexpr int kExplainFailed = 2;  // unreadable file or wrong command line

// Left-out findings are more of a code's kept ones, so they count as those do:
// not when the code is off for the file, nor when every kept one is known.
inline bool Reported(const Explanation& explanation, const LeftOut& left) {
  if (left.suppression != Suppression::kNone) return false;
  for (const Finding& finding : explanation.findings) {
    if (finding.code == left.code && finding.Reported()) return true;
  }
  return false;
}

// The findings that count: the reported ones and the left-out ones that count.
inline std::size_t ReportedCount(const Explanation& explanation) {
  std::size_t count = 0;
  for (const Finding& finding : explanation.findings) count += finding.Reported() ? 1 : 0;
  for (const LeftOut& left : explanation.leftOut) {
    count += Reported(explanation, left) ? left.count : 0;
  }
  return count;
}

inline int ExitCodeOf(const Explanation& explanation) {
  return ReportedCount(explanation) == 0 ? kExplainClean : kExplainWarnings;
}
