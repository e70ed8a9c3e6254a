#pragma once

// The table of output forms: the usage text's list of forms, the parsing of
// --format and --output and the choice of writer all come from it, so that a
// new form is one entry here (and its writer).
//
// A writer takes the files of a run one at a time and gives its text for each
// at once, so that a run over ten thousand files holds one file's explanation
// at a time; what comes after the last file (totals, closing brackets) comes
// from End.

#include <array>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/explain/engine/explanation.h"

// One file as the forms show it.
struct CheckedFile {
  const Explanation& explanation;
  std::wstring shown;  // for people: as given, or as found below a folder given
  // For machines: relative to the current folder where it lies below it,
  // parted by '/' (absolute elsewhere).
  std::string path;
};

// One PATH that could not be checked, and why ("no such file", "a FIFO").
struct FailedPath {
  std::wstring shown;
  std::string path;
  std::string reason;
};

// What a run found, for the forms that end with totals.
struct RunTotals {
  std::size_t files = 0;                 // checked
  std::size_t filesWithFindings = 0;     // with findings that count
  std::array<std::size_t, 3> byLevel{};  // findings that count, by Level
  std::size_t suppressed = 0;
  std::size_t unchanged = 0;  // in the baseline
  std::size_t leftOut = 0;    // counted past the cap, never listed
  std::size_t failed = 0;     // PATHs that could not be checked
  bool baseline = false;      // a baseline was given
  int exitCode = kExplainClean;
  std::size_t Findings() const { return byLevel[0] + byLevel[1] + byLevel[2]; }
};

class FormWriter {
 public:
  virtual ~FormWriter() = default;
  virtual std::string File(const CheckedFile& file) = 0;
  virtual std::string Failed(const FailedPath&) { return ""; }
  virtual std::string End(const RunTotals&) { return ""; }
};

struct OutputForm {
  const char* name;   // as --format takes it
  const char* usage;  // what the usage text says of it
  // `several`: the run was asked about more than one file (several PATHs, or a
  // folder), so the one-file document is not enough.
  std::unique_ptr<FormWriter> (*make)(bool several);
  // What it writes to standard output when the command line is wrong or the
  // one file cannot be checked, besides the message on standard error; null for
  // nothing.
  std::string (*failure)(const std::string& message);
};

// The forms, the default first.
std::span<const OutputForm> OutputForms();
const OutputForm* FindOutputForm(std::string_view name);
// The names, parted by `between` and, before the last, by `beforeLast`:
// "text|json|sarif", "text, json or sarif".
std::string OutputFormNames(std::string_view between, std::string_view beforeLast);

// The writers of the forms, each in its own file.
std::unique_ptr<FormWriter> MakeTextWriter(bool several);
std::unique_ptr<FormWriter> MakeJsonWriter(bool several);
std::unique_ptr<FormWriter> MakeSarifWriter(bool several);
std::unique_ptr<FormWriter> MakeGccWriter(bool several);
std::unique_ptr<FormWriter> MakeGithubWriter(bool several);
std::unique_ptr<FormWriter> MakeAzureWriter(bool several);
std::unique_ptr<FormWriter> MakeGitlabWriter(bool several);
std::unique_ptr<FormWriter> MakeJunitWriter(bool several);
std::unique_ptr<FormWriter> MakeCheckstyleWriter(bool several);
