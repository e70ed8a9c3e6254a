#include "tools/explain/report.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <system_error>

#include "common/os_version_code.h"
#include "tools/explain/utf.h"

namespace {

constexpr char kUsage[] =
    "usage: perinax-explain [--json] [--case NAME] [--args TEXT] FILE\n"
    "  NAME: vista, win7, win8, win81 or win10, each with -x86 or -x64, or probe-failed\n";

// Longest text from the file shown in a table cell.
constexpr std::size_t kCellChars = 60;

std::wstring Widen(const char* text) {
  return text == nullptr ? std::wstring() : Utf16FromUtf8(text);
}

std::wstring HexDword(std::uint32_t value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08X", static_cast<unsigned>(value));
  return text;
}

std::wstring RegistryCell(const CasePlan& plan) {
  if (!plan.write) return L"nothing written: " + NothingWrittenReason(plan);
  std::wstring where = L"HKLM\\" + Printable(plan.write->key, kCellChars);
  if (plan.spec->architecture == kArchitectureX64) {
    where = (plan.view == 64 ? L"64-bit view " : L"32-bit view ") + where;
  }
  return where + L"  " + Printable(plan.write->name, kCellChars) + L" = " +
         HexDword(plan.write->value) + L" (" + std::to_wstring(plan.write->value) + L")";
}

std::wstring SetupCell(const CasePlan& plan) {
  const wchar_t* file = plan.settings.m_szSetupFile;
  if (!plan.started) {
    return file[0] == L'\0' ? L"nothing (SetupFile is empty): 1603"
                            : L"nothing (SetupFile names a folder): 1603";
  }
  if (IsMissingSetting(file)) return L"Unknow (no SetupFile): start fails, 1603";
  const std::wstring shown = Printable(*plan.started, kCellChars);
  return plan.startedFound == false ? shown + L" (not beside the INI file)" : shown;
}

std::wstring WindowsCell(const CasePlan& plan) {
  if (plan.spec->windows == nullptr) return L"not readable";
  return Widen(plan.spec->windows) + L" " + Widen(plan.spec->arch);
}

std::string Lines(const std::vector<std::wstring>& lines) {
  std::string text;
  for (const std::wstring& line : lines) text += Utf8FromUtf16(line) + "\n";
  return text;
}

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

std::wstring NothingWrittenReason(const CasePlan& plan) {
  if (plan.write) return L"";
  if (plan.spec->windows == nullptr) return L"the version cannot be read";
  if (plan.keyRefused) return L"the registry refuses the key path";
  const bool x64 = plan.spec->architecture == kArchitectureX64;
  const wchar_t* path = x64 ? plan.settings.m_szReg64KeyPath : plan.settings.m_szReg32KeyPath;
  const wchar_t* name = x64 ? plan.settings.m_szReg64KeyName : plan.settings.m_szReg32KeyName;
  const std::wstring keys = x64 ? L"RegPath64Key" : L"RegPath32Key";
  const std::wstring section = L" in [" + Printable(plan.section, kCellChars) + L"]";
  if (IsMissingSetting(path)) return L"no " + keys + L"Path" + section;
  if (path[0] == L'\0') return L"no key path left in " + keys + L"Path" + section;
  if (IsMissingSetting(name)) return L"no " + keys + L"Name" + section;
  return L"the value is not set";
}

std::string FormatTable(const Explanation& explanation) {
  std::vector<std::vector<std::wstring>> rows = {
      {L"case", L"windows", L"section", L"setup program", L"registry write"}};
  for (const CasePlan& plan : explanation.cases) {
    rows.push_back({Widen(plan.spec->name), WindowsCell(plan),
                    L"[" + Printable(plan.section, kCellChars) + L"]", SetupCell(plan),
                    RegistryCell(plan)});
  }
  std::vector<std::size_t> widths(rows.front().size(), 0);
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  std::wstring text = L"What Perinax does with " + explanation.file + L":\n\n";
  for (const auto& row : rows) {
    std::wstring line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::wstring(widths[i] - row[i].size() + 2, L' ');
    }
    text += line + L"\n";
  }
  return Utf8FromUtf16(text);
}

std::string FormatWarnings(const Explanation& explanation, const std::wstring& shownFile) {
  std::string text;
  for (const Warning& warning : explanation.warnings) {
    text += Utf8FromUtf16(shownFile) + ":" + std::to_string(warning.line) +
            ": warning: " + Utf8FromUtf16(warning.message) + " [" + warning.code + "]\n";
  }
  const std::size_t count = explanation.warnings.size();
  text += count == 0 ? std::string("no warnings\n")
                     : std::to_string(count) + (count == 1 ? " warning\n" : " warnings\n");
  return text;
}

std::string FormatCaseTrace(const CasePlan& plan) {
  return Lines(plan.phase) + Lines(plan.launch);
}

std::string FormatJson(const Explanation& explanation, const ExplainCase* only) {
  // Ordered, so that the fields come in the documented order.
  using json = nlohmann::ordered_json;
  json cases = json::array();
  for (const CasePlan& plan : explanation.cases) {
    if (only != nullptr && plan.spec != only) continue;
    json entry;
    entry["case"] = plan.spec->name;
    entry["windows"] = plan.spec->windows != nullptr ? json(plan.spec->windows) : json(nullptr);
    entry["arch"] = plan.spec->arch != nullptr ? json(plan.spec->arch) : json(nullptr);
    entry["section"] = Utf8FromUtf16(plan.section);
    entry["setup_file"] = plan.started ? json(Utf8FromUtf16(*plan.started)) : json(nullptr);
    if (plan.write) {
      entry["registry"] = {{"view", plan.view},
                           {"key", Utf8FromUtf16(plan.write->key)},
                           {"name", Utf8FromUtf16(plan.write->name)},
                           {"value", plan.write->value}};
    } else {
      entry["registry"] = nullptr;
      entry["nothing_written"] = Utf8FromUtf16(NothingWrittenReason(plan));
    }
    json trace = json::array();
    for (const std::wstring& line : plan.phase) trace.push_back(Utf8FromUtf16(line));
    entry["trace"] = std::move(trace);
    cases.push_back(std::move(entry));
  }
  json warnings = json::array();
  for (const Warning& warning : explanation.warnings) {
    warnings.push_back({{"line", warning.line},
                        {"code", warning.code},
                        {"message", Utf8FromUtf16(warning.message)}});
  }
  const json document = {{"file", Utf8FromUtf16(explanation.file)},
                         {"cases", std::move(cases)},
                         {"warnings", std::move(warnings)}};
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

ExplainOutput RunExplainer(const std::vector<std::wstring>& arguments,
                           const std::vector<std::filesystem::path>& paths) {
  ExplainOutput output;
  const auto fail = [&](const std::string& text, bool usage) {
    output.exitCode = kExplainFailed;
    output.err = "perinax-explain: " + text + "\n" + (usage ? kUsage : "");
    return output;
  };

  bool json = false;
  const ExplainCase* only = nullptr;
  std::wstring args;
  std::size_t fileIndex = arguments.size();
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring& word = arguments[i];
    const bool last = i + 1 == arguments.size();
    if (word == L"--help" || word == L"-h") {
      output.exitCode = kExplainClean;
      output.out = kUsage;
      return output;
    }
    if (word == L"--json") {
      json = true;
    } else if (word == L"--case" || word == L"--args") {
      if (last) return fail(Utf8FromUtf16(word) + " needs a value", true);
      const std::wstring& value = arguments[++i];
      if (word == L"--args") {
        args = value;
        continue;
      }
      only = FindExplainCase(Utf8FromUtf16(value));
      if (only == nullptr) return fail("unknown case " + Utf8FromUtf16(value), true);
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
  const Explanation explanation = Explain(ini, absolute.parent_path(), ShownPath(absolute), args);

  output.exitCode = explanation.warnings.empty() ? kExplainClean : kExplainWarnings;
  if (json) {
    output.out = FormatJson(explanation, only);
  } else if (only != nullptr) {
    const auto plan = std::find_if(explanation.cases.begin(), explanation.cases.end(),
                                   [&](const CasePlan& p) { return p.spec == only; });
    output.out = FormatCaseTrace(*plan);
  } else {
    output.out = FormatTable(explanation) + "\n" + FormatWarnings(explanation, shown);
  }
  return output;
}
