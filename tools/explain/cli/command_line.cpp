// perinax-explain's command line: which form, which case, which file.

#include "tools/explain/cli/command_line.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "lib/ini/ini_reader.h"
#include "perinax_version.h"
#include "tools/common/utf.h"
#include "tools/common/version_banner.h"
#include "tools/explain/cli/fix_mode.h"
#include "tools/explain/engine/explainer.h"
#include "tools/explain/formats/forms.h"
#include "tools/explain/formats/output_forms.h"

namespace {

struct Options {
  const OutputForm* form = &OutputForms().front();
  bool folder = true;
  const ExplainCase* only = nullptr;
  std::wstring args;
  std::size_t fileIndex = 0;
  FixMode fix = FixMode::kNone;
};

std::wstring ShownPath(const std::filesystem::path& path) {
#ifdef _WIN32
  return path.wstring();
#else
  return Utf16FromUtf8(path.string());
#endif
}

// The file's bytes, or none when it is no regular file or cannot be read.
std::optional<std::string> ReadBytes(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  // A file the INI reader would take for missing is not read into memory at all.
  if (std::filesystem::file_size(path, error) >= IniReader::kTooLargeBytes || error)
    return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) return std::nullopt;
  return bytes;
}

class Run {
 public:
  explicit Run(const std::vector<std::wstring>& arguments) : arguments_(arguments) {}

  // Reads the words into `options_`; false when they are wrong (the failure
  // written) or when a word (--help) is the whole answer (the answer written).
  [[nodiscard]] bool Parse();
  void Explain(const std::vector<std::filesystem::path>& paths);
  ExplainOutput& output() { return output_; }

 private:
  // The message on standard error, as every form has it; the form's own
  // failure document on standard output.
  void Fail(const std::string& text, bool usage) {
    output_.exitCode = kExplainFailed;
    output_.err = "perinax-explain: " + text + "\n" + (usage ? Usage() : "");
    if (options_.form->failure != nullptr) output_.out = options_.form->failure(text);
  }

  const std::vector<std::wstring>& arguments_;
  Options options_;
  ExplainOutput output_;
};

bool Run::Parse() {
  options_.fileIndex = arguments_.size();
  for (std::size_t i = 0; i < arguments_.size(); ++i) {
    const std::wstring& word = arguments_[i];
    const bool last = i + 1 == arguments_.size();
    if (word == L"--help" || word == L"-h" || word == L"--version" || word == L"--list-codes") {
      output_.exitCode = kExplainClean;
      output_.out = word == L"--version"      ? VersionBanner("perinax-explain") + "\n"
                    : word == L"--list-codes" ? FormatCodeList()
                                              : Usage();
      return false;
    }
    if (word == L"--json") {
      options_.form = FindOutputForm("json");
    } else if (FixModeOf(word) != FixMode::kNone) {
      options_.fix = FixModeOf(word);
    } else if (word == L"--no-folder") {
      options_.folder = false;
    } else if (word == L"--case" || word == L"--args" || word == L"--format") {
      if (last) {
        Fail(Utf8FromUtf16(word) + " needs a value", true);
        return false;
      }
      const std::wstring& value = arguments_[++i];
      if (word == L"--args") {
        options_.args = value;
      } else if (word == L"--format") {
        const OutputForm* form = FindOutputForm(Utf8FromUtf16(value));
        if (form == nullptr) {
          Fail(
              "unknown format " + Utf8FromUtf16(value) + " (" + OutputFormNames(", ", " or ") + ")",
              true);
          return false;
        }
        options_.form = form;
      } else {
        options_.only = FindExplainCase(Utf8FromUtf16(value));
        if (options_.only == nullptr) {
          Fail("unknown case " + Utf8FromUtf16(value), true);
          return false;
        }
      }
    } else if (word.starts_with(L"-") && word != L"-") {
      {
        Fail("unknown option " + Utf8FromUtf16(word), true);
        return false;
      }
    } else if (options_.fileIndex != arguments_.size()) {
      {
        Fail("only one FILE can be explained at a time", true);
        return false;
      }
    } else {
      options_.fileIndex = i;
    }
  }
  if (options_.fileIndex == arguments_.size()) {
    Fail("no FILE given", true);
    return false;
  }
  return true;
}

void Run::Explain(const std::vector<std::filesystem::path>& paths) {
  const std::filesystem::path& path = paths[options_.fileIndex];
  const std::wstring& shown = arguments_[options_.fileIndex];
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    Fail("cannot read " + Utf8FromUtf16(shown) + ": no such file", false);
    return;
  }
  if (std::filesystem::is_directory(path, error)) {
    Fail("cannot read " + Utf8FromUtf16(shown) + ": a folder", false);
    return;
  }
  const std::optional<std::string> bytes = ReadBytes(path);
  if (!bytes) {
    Fail("cannot read " + Utf8FromUtf16(shown), false);
    return;
  }

  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) absolute = path;
  absolute = absolute.lexically_normal();
  const ExplainRequest request{
      *bytes, ShownPath(absolute),
      options_.folder ? std::optional(absolute.parent_path()) : std::nullopt, options_.args,
      options_.only};
  const std::optional<Explanation> explanation = ::Explain(request);
  if (!explanation) {
    Fail("cannot read " + Utf8FromUtf16(shown), false);
    return;
  }

  if (options_.fix != FixMode::kNone) {
    output_ = RunFixMode(options_.fix, path, shown, *bytes, *explanation);
    return;
  }
  FormOutput written = options_.form->write(*explanation, shown);
  output_.exitCode = ExitCodeOf(*explanation);
  output_.out = std::move(written.out);
  output_.err = std::move(written.err);
}

}  // namespace

std::string Usage() {
  std::string help;
  for (const OutputForm& form : OutputForms())
    help += (help.empty() ? "" : "; ") + std::string(form.usage);
  return "usage: perinax-explain [--format " + OutputFormNames("|", "|") +
         "] [--json] [--case NAME] [--args TEXT]\n"
         "                       [--no-folder] [--fix | --diff] FILE\n"
         "       perinax-explain --list-codes | --version | --help\n"
         "  --format    " +
         help +
         "\n"
         "  --json      the same as --format json\n"
         "  --case      one case's trace (text), or only that case (json)\n"
         "  --args      the argument text Perinax is started with (empty by default)\n"
         "  --no-folder the folder beside FILE cannot be seen: nothing is looked up there\n"
         "  --fix       make the safe fixes in FILE; --diff shows them and changes nothing\n"
         "  NAME: vista, win7, win8, win81 or win10, each with -x86 or -x64, or probe-failed\n"
         "exit code: 0 no warnings, 1 warnings, 2 FILE cannot be checked or the command line is "
         "wrong\n";
}

ExplainOutput RunExplainer(const std::vector<std::wstring>& arguments,
                           const std::vector<std::filesystem::path>& paths) {
  Run run(arguments);
  if (run.Parse()) run.Explain(paths);
  return std::move(run.output());
}
