// perinax-explain's command line: which form, which case, which file.

#include "tools/explain/report.h"

#include <algorithm>
#include <system_error>

#include "perinax_version.h"
#include "tools/explain/utf.h"

namespace {

constexpr char kUsage[] =
    "usage: perinax-explain [--format text|json|sarif] [--json] [--case NAME] [--args TEXT]\n"
    "                       [--no-folder] FILE\n"
    "       perinax-explain --list-codes | --version | --help\n"
    "  --format    text (the default): the table and the warnings; json; sarif (SARIF 2.1.0)\n"
    "  --json      the same as --format json\n"
    "  --case      one case's trace (text), or only that case (json)\n"
    "  --args      the argument text Perinax is started with (empty by default)\n"
    "  --no-folder the folder beside FILE cannot be seen: nothing is looked up there\n"
    "  NAME: vista, win7, win8, win81 or win10, each with -x86 or -x64, or probe-failed\n"
    "exit code: 0 no warnings, 1 warnings, 2 FILE cannot be checked or the command line is wrong\n";

bool IsFolder(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

std::wstring ShownPath(const std::filesystem::path& path) {
#ifdef _WIN32
  return path.wstring();
#else
  return Utf16FromUtf8(path.string());
#endif
}

}  // namespace

ExplainOutput RunExplainer(const std::vector<std::wstring>& arguments,
                           const std::vector<std::filesystem::path>& paths) {
  ExplainOutput output;
  const auto fail = [&](const std::string& text, bool usage) {
    output.exitCode = kExplainFailed;
    output.err = "perinax-explain: " + text + "\n" + (usage ? kUsage : "");
    return output;
  };

  enum class Form { kText, kJson, kSarif } form = Form::kText;
  bool folder = true;
  const ExplainCase* only = nullptr;
  std::wstring args;
  std::size_t fileIndex = arguments.size();
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring& word = arguments[i];
    const bool last = i + 1 == arguments.size();
    if (word == L"--help" || word == L"-h" || word == L"--version" || word == L"--list-codes") {
      output.exitCode = kExplainClean;
      output.out = word == L"--version"      ? "perinax-explain " PERINAX_VERSION_TEXT "\n"
                   : word == L"--list-codes" ? FormatCodeList()
                                             : kUsage;
      return output;
    }
    if (word == L"--json") {
      form = Form::kJson;
    } else if (word == L"--no-folder") {
      folder = false;
    } else if (word == L"--case" || word == L"--args" || word == L"--format") {
      if (last) return fail(Utf8FromUtf16(word) + " needs a value", true);
      const std::wstring& value = arguments[++i];
      if (word == L"--args") {
        args = value;
      } else if (word == L"--format") {
        if (value == L"text") {
          form = Form::kText;
        } else if (value == L"json") {
          form = Form::kJson;
        } else if (value == L"sarif") {
          form = Form::kSarif;
        } else {
          return fail("unknown format " + Utf8FromUtf16(value) + " (text, json or sarif)", true);
        }
      } else {
        only = FindExplainCase(Utf8FromUtf16(value));
        if (only == nullptr) return fail("unknown case " + Utf8FromUtf16(value), true);
      }
    } else if (word.starts_with(L"-") && word != L"-") {
      return fail("unknown option " + Utf8FromUtf16(word), true);
    } else if (fileIndex != arguments.size()) {
      return fail("only one FILE can be explained at a time", true);
    } else {
      fileIndex = i;
    }
  }
  if (fileIndex == arguments.size()) return fail("no FILE given", true);

  const std::filesystem::path& path = paths[fileIndex];
  const std::wstring& shown = arguments[fileIndex];
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    return fail("cannot read " + Utf8FromUtf16(shown) + ": no such file", false);
  }
  if (IsFolder(path)) return fail("cannot read " + Utf8FromUtf16(shown) + ": a folder", false);
  const IniReader ini = IniReader::FromFile(path);
  if (!ini.exists()) return fail("cannot read " + Utf8FromUtf16(shown), false);

  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) absolute = path;
  absolute = absolute.lexically_normal();
  const Explanation explanation =
      Explain(ini, folder ? std::optional(absolute.parent_path()) : std::nullopt,
              ShownPath(absolute), args);

  output.exitCode = explanation.warnings.empty() ? kExplainClean : kExplainWarnings;
  if (form == Form::kJson) {
    output.out = FormatJson(explanation, only);
  } else if (form == Form::kSarif) {
    output.out = FormatSarif(explanation, shown);
  } else if (only != nullptr) {
    const auto plan = std::find_if(explanation.cases.begin(), explanation.cases.end(),
                                   [&](const CasePlan& p) { return p.spec == only; });
    output.out = FormatCaseTrace(*plan);
    // The warnings still decide the exit code, so the reason is said.
    const std::size_t count = explanation.warningCount;
    if (count > 0) {
      output.err = std::to_string(count) + (count == 1 ? " warning" : " warnings") +
                   ": run without --case to see them\n";
    }
  } else {
    output.out = FormatTable(explanation) + "\n" + FormatWarnings(explanation, shown);
  }
  return output;
}
