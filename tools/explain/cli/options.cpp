#include "tools/explain/cli/options.h"

#include <array>
#include <string_view>

#include "tools/common/utf.h"
#include "tools/common/version_banner.h"
#include "tools/explain/engine/explainer.h"
#include "tools/explain/engine/suppressions.h"
#include "tools/explain/formats/forms.h"

namespace {

std::string TakeForm(Options& options, const OutputForm* form, const std::string& name) {
  if (form == nullptr) {
    return "unknown format " + name + " (" + OutputFormNames(", ", " or ") + ")";
  }
  if (options.form != nullptr && options.form != form) {
    return std::string("two forms asked for, ") + options.form->name + " and " + form->name +
           ": give one (--output NAME=FILE writes another)";
  }
  options.form = form;
  return "";
}

// CODE[,CODE...]: each a code of the catalogue.
std::string TakeCodes(Options& options, const std::wstring& value, bool disable) {
  const std::string list = Utf8FromUtf16(value);
  std::size_t at = 0;
  while (at <= list.size()) {
    std::size_t end = list.find(',', at);
    if (end == std::string::npos) end = list.size();
    const std::string name = list.substr(at, end - at);
    const CodeInfo* info = FindCode(name);
    if (info == nullptr)
      return "unknown code " + name + " (perinax-explain --list-codes lists them)";
    options.codeSwitches.emplace_back(info->code, disable);
    at = end + 1;
  }
  return "";
}

std::string TakeFix(Options& options, FixMode mode) {
  if (options.fix != FixMode::kNone && options.fix != mode) return "give --fix or --diff, not both";
  options.fix = mode;
  return "";
}

struct OptionSpec {
  const char* name;
  const char* value;  // what the usage text calls its value; null: it takes none
  const char* help;   // null: left out of the usage text
  std::string (*apply)(Options& options, const std::wstring& value);
};

constexpr std::array<OptionSpec, 19> kOptions = {{
    {"--format", "NAME", "the form on standard output (below)",
     [](Options& o, const std::wstring& v) {
       return TakeForm(o, FindOutputForm(Utf8FromUtf16(v)), Utf8FromUtf16(v));
     }},
    {"--json", nullptr, "the same as --format json",
     [](Options& o, const std::wstring&) { return TakeForm(o, FindOutputForm("json"), "json"); }},
    {"--output", "NAME=FILE", "also writes form NAME into FILE (repeatable)",
     [](Options& o, const std::wstring& v) -> std::string {
       const std::size_t equals = v.find(L'=');
       const OutputForm* form = equals == std::wstring::npos
                                    ? nullptr
                                    : FindOutputForm(Utf8FromUtf16(v.substr(0, equals)));
       if (form == nullptr || equals + 1 == v.size()) {
         return "--output needs NAME=FILE, NAME one of " + OutputFormNames(", ", " or ");
       }
       o.outputs.emplace_back(form, PathOfWord(v.substr(equals + 1)));
       return "";
     }},
    {"--case", "NAME", "one case's trace (text), or only that case (json)",
     [](Options& o, const std::wstring& v) -> std::string {
       o.only = FindExplainCase(Utf8FromUtf16(v));
       return o.only == nullptr ? "unknown case " + Utf8FromUtf16(v) : "";
     }},
    {"--args", "TEXT", "the argument text Perinax is started with (empty by default)",
     [](Options& o, const std::wstring& v) {
       o.args = v;
       return std::string();
     }},
    {"--no-folder", nullptr, "the folder beside each file cannot be seen: nothing is looked up",
     [](Options& o, const std::wstring&) {
       o.folder = false;
       return std::string();
     }},
    {"--severity", "LEVEL", "reports LEVEL and above: error, warning or note (the default)",
     [](Options& o, const std::wstring& v) -> std::string {
       for (const Level level : {Level::kNote, Level::kWarning, Level::kError}) {
         if (Utf8FromUtf16(v) == LevelName(level)) {
           o.severity = level;
           return "";
         }
       }
       return "unknown level " + Utf8FromUtf16(v) + " (error, warning or note)";
     }},
    {"--disable", "CODE,...", "leaves these codes out",
     [](Options& o, const std::wstring& v) { return TakeCodes(o, v, true); }},
    {"--enable", "CODE,...", "reports these codes though a .perinax-explainrc disables them",
     [](Options& o, const std::wstring& v) { return TakeCodes(o, v, false); }},
    {"--no-inline-suppressions", nullptr, "reports what the files' own comments disable too",
     [](Options& o, const std::wstring&) {
       o.inlineSuppressions = false;
       return std::string();
     }},
    {"--rcfile", "FILE", "takes the codes to disable from FILE, not from a .perinax-explainrc",
     [](Options& o, const std::wstring& v) {
       o.rcfile = PathOfWord(v);
       return std::string();
     }},
    {"--norc", nullptr, "reads no .perinax-explainrc",
     [](Options& o, const std::wstring&) {
       o.norc = true;
       return std::string();
     }},
    {"--baseline", "FILE", "a SARIF log of an earlier run: only findings it lacks count",
     [](Options& o, const std::wstring& v) {
       o.baseline = PathOfWord(v);
       return std::string();
     }},
    {"--fix", nullptr, "makes the safe fixes in each file, keeping its encoding and line ends",
     [](Options& o, const std::wstring&) { return TakeFix(o, FixMode::kFix); }},
    {"--diff", nullptr, "shows the safe fixes as a unified diff and changes nothing",
     [](Options& o, const std::wstring&) { return TakeFix(o, FixMode::kDiff); }},
    {"--list-codes", nullptr, "the codes, each with its level",
     [](Options& o, const std::wstring&) {
       o.answer = FormatCodeList();
       return std::string();
     }},
    {"--version", nullptr, "the version",
     [](Options& o, const std::wstring&) {
       o.answer = VersionBanner("perinax-explain") + "\n";
       return std::string();
     }},
    {"--help", nullptr, "this text",
     [](Options& o, const std::wstring&) {
       o.answer = Usage();
       return std::string();
     }},
    {"-h", nullptr, nullptr,
     [](Options& o, const std::wstring&) {
       o.answer = Usage();
       return std::string();
     }},
}};

const OptionSpec* FindOption(std::wstring_view name) {
  for (const OptionSpec& spec : kOptions) {
    if (name == Utf16FromUtf8(spec.name)) return &spec;
  }
  return nullptr;
}

}  // namespace

std::filesystem::path PathOfWord(const std::wstring& word) {
#ifdef _WIN32
  return std::filesystem::path(word);
#else
  return std::filesystem::path(Utf8FromUtf16(word));
#endif
}

ParsedOptions ParseOptions(const std::vector<std::wstring>& words) {
  ParsedOptions parsed;
  Options& options = parsed.options;
  const auto fail = [&](std::string error) {
    parsed.error = std::move(error);
    parsed.formSoFar = options.form;
    return parsed;
  };
  bool optionsEnded = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::wstring& word = words[i];
    if (optionsEnded || word == L"-" || !word.starts_with(L"-")) {
      options.paths.push_back(i);
      continue;
    }
    if (word == L"--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = word.starts_with(L"--") ? word.find(L'=') : std::wstring::npos;
    const std::wstring name = word.substr(0, equals);
    const OptionSpec* spec = FindOption(name);
    if (spec == nullptr) return fail("unknown option " + Utf8FromUtf16(word));
    std::wstring value;
    if (spec->value == nullptr) {
      if (equals != std::wstring::npos) return fail(Utf8FromUtf16(name) + " takes no value");
    } else if (equals != std::wstring::npos) {
      value = word.substr(equals + 1);
    } else if (i + 1 < words.size()) {
      value = words[++i];
    } else {
      return fail(Utf8FromUtf16(name) + " needs a value");
    }
    const std::string error = spec->apply(options, value);
    if (!error.empty()) return fail(error);
  }
  if (!options.answer.empty() && words.size() > 1) {
    return fail("--help, --version and --list-codes take no other words");
  }
  if (options.answer.empty() && options.paths.empty()) return fail("no PATH given");
  if (options.fix != FixMode::kNone && (options.form != nullptr || !options.outputs.empty())) {
    return fail("--fix and --diff write no form: leave out --format, --json and --output");
  }
  return parsed;
}

std::string Usage() {
  std::string text =
      "usage: perinax-explain [options] PATH...\n"
      "       perinax-explain --list-codes | --version | --help\n"
      "  PATH        an INI file, checked whatever its name; a folder, searched for Perinax.ini\n"
      "              files (any letter case; hidden folders skipped); - for standard input\n";
  for (const OptionSpec& spec : kOptions) {
    if (spec.help == nullptr) continue;
    std::string head =
        std::string("  ") + spec.name + (spec.value ? std::string(" ") + spec.value : "");
    head.resize(std::max<std::size_t>(head.size() + 1, 28), ' ');
    text += head + spec.help + "\n";
  }
  text += "  --                        every word after it is a PATH\n";
  text += "  forms: ";
  bool first = true;
  for (const OutputForm& form : OutputForms()) {
    text += (first ? "" : "; ") + std::string(form.usage);
    first = false;
  }
  text +=
      "\n  NAME of a case: vista, win7, win8, win81 or win10, each with -x86 or -x64, or "
      "probe-failed\n"
      "exit code: 0 no findings, 1 findings, 2 a PATH could not be checked or the command line is "
      "wrong\n";
  return text;
}
