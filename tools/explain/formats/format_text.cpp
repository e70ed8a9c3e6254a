// The forms for people: the table of what each case does, the warnings as
// editors and CI logs read them, one case's trace, the list of codes, and
// the text form's writer.

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "common/os_version_code.h"
#include "common/text.h"
#include "tools/common/utf.h"
#include "tools/explain/checks/wording.h"
#include "tools/explain/engine/explainer.h"
#include "tools/explain/formats/forms.h"
#include "tools/explain/formats/output_forms.h"
#include "tools/explain/formats/text_cells.h"

namespace {

// Longest text from the file shown in a table cell.
constexpr std::size_t kCellChars = 60;

std::wstring HexDword(std::uint32_t value) {
  wchar_t text[16];
  static_cast<void>(std::swprintf(text, 16, L"0x%08X", static_cast<unsigned>(value)));
  return text;
}

// A key path or value name in the table, quoted where it could be read as the
// table's own: blanks part columns, '=' parts name from value, parentheses and
// quotes carry notes.
std::wstring Cell(std::wstring_view text) {
  std::wstring shown = Printable(text, kCellChars);
  if (shown.find_first_of(L" \t=()\"") == std::wstring::npos) return shown;
  std::wstring quoted = L"\"";
  for (const wchar_t c : shown) {
    quoted += c;
    if (c == L'"') quoted += c;
  }
  return quoted + L"\"";
}

}  // namespace

// HKLM\SOFTWARE is kept apart for 32-bit programs under SOFTWARE\Wow6432Node;
// the rest of HKLM is one for both views.
std::wstring RegeditPath(const std::wstring& key) {
  constexpr std::wstring_view kSoftware = L"software";
  const std::wstring lower = Lower(key);
  if (!lower.starts_with(kSoftware)) return L"";
  if (lower.size() > kSoftware.size() && lower[kSoftware.size()] != L'\\') return L"";
  const std::wstring rest = key.substr(kSoftware.size());
  return L"HKLM\\" + key.substr(0, kSoftware.size()) + L"\\Wow6432Node" + rest;
}

std::wstring RegeditHint(const CasePlan& plan) {
  const bool wow64 = plan.write && plan.spec->architecture == kArchitectureX64 && plan.view == 32;
  return wow64 ? RegeditPath(plan.write->key) : L"";
}

namespace {

std::wstring RegistryCell(const CasePlan& plan) {
  if (!plan.write) return L"nothing written: " + NothingWrittenReason(plan);
  std::wstring where = L"HKLM\\" + Printable(plan.write->key, kCellChars);
  where = Cell(where);
  std::wstring regedit;
  if (plan.spec->architecture == kArchitectureX64) {
    where = (plan.view == 64 ? L"64-bit view " : L"32-bit view ") + where;
    const std::wstring shown = RegeditHint(plan);
    if (!shown.empty()) regedit = L"  (regedit: " + Cell(shown) + L")";
  }
  const std::wstring name =
      plan.write->name.empty() ? std::wstring(kDefaultValueName) : Cell(plan.write->name);
  return where + L"  " + name + L" = " + HexDword(plan.write->value) + L" (" +
         std::to_wstring(plan.write->value) + L")" + regedit;
}

}  // namespace

std::wstring SetupCell(const CasePlan& plan) {
  const wchar_t* file = plan.settings.m_szSetupFile;
  if (!plan.started) {
    if (file[0] == L'\0') return L"nothing (SetupFile is empty): 1603";
    if (!plan.settings.m_bSetupFileNamed) {
      return IsMissingSetting(file) ? L"nothing (no SetupFile): 1603"
                                    : L"nothing (SetupFile is too long): 1603";
    }
    return L"nothing (SetupFile names a folder): 1603";
  }
  const std::wstring shown = Printable(*plan.started, kCellChars);
  return plan.startedFound == false ? shown + L" (not beside the INI file)" : shown;
}

namespace {

std::wstring WindowsCell(const CasePlan& plan) {
  if (plan.spec->windows == nullptr) return L"not readable";
  return Widen(plan.spec->windows) + L" " + Widen(plan.spec->arch);
}

}  // namespace

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
  std::wstring text = L"What Perinax does with " + VisibleText(explanation.file) + L":\n\n";
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

std::string FormatFindingLines(const Explanation& explanation, const std::wstring& shownFile) {
  std::string text;
  const std::string file = LinePath(Utf8FromUtf16(shownFile));
  for (const Finding& finding : explanation.findings) {
    if (!finding.Reported()) continue;
    text += file + ":" + std::to_string(finding.line()) + ": " + LevelName(finding.level()) + ": " +
            LineText(finding.message) + " [" + InfoOf(finding.code).name + "]\n";
  }
  // Not in the findings' own form, so that no problem matcher takes it for one.
  for (const LeftOut& left : explanation.leftOut) {
    if (!Reported(explanation, left)) continue;
    text += "  (" + std::to_string(left.count) + " more " + InfoOf(left.code).name +
            " findings from line " + std::to_string(left.firstLine) + " on are left out)\n";
  }
  return text;
}

std::string LevelCounts(const std::array<std::size_t, 3>& byLevel) {
  std::string text;
  for (const Level level : {Level::kError, Level::kWarning, Level::kNote}) {
    const std::size_t count = byLevel[static_cast<std::size_t>(level)];
    if (count == 0) continue;
    text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + LevelName(level) +
            (count == 1 ? "" : "s");
  }
  return text.empty() ? "no findings" : text;
}

std::string FormatWarnings(const Explanation& explanation, const std::wstring& shownFile) {
  std::array<std::size_t, 3> byLevel{};
  std::size_t suppressed = 0, unchanged = 0;
  for (const Finding& finding : explanation.findings) {
    if (finding.Reported()) ++byLevel[static_cast<std::size_t>(finding.level())];
    suppressed += finding.suppression != Suppression::kNone ? 1 : 0;
    unchanged +=
        finding.suppression == Suppression::kNone && finding.baseline == BaselineState::kUnchanged
            ? 1
            : 0;
  }
  for (const LeftOut& left : explanation.leftOut) {
    if (Reported(explanation, left))
      byLevel[static_cast<std::size_t>(InfoOf(left.code).level)] += left.count;
  }
  std::string text = FormatFindingLines(explanation, shownFile);
  const std::size_t count = byLevel[0] + byLevel[1] + byLevel[2];
  if (count > 0) text += "by level: " + LevelCounts(byLevel) + "\n";
  if (suppressed + unchanged > 0) {
    text += "besides " + std::to_string(suppressed) + " suppressed, " + std::to_string(unchanged) +
            " in the baseline\n";
  }
  // The last line is the count, as the page and scripts read it.
  return text +
         (count == 0 ? std::string("no warnings")
                     : std::to_string(count) + (count == 1 ? " warning" : " warnings")) +
         "\n";
}

std::string FormatCaseTrace(const CasePlan& plan) {
  std::string text;
  for (const auto* lines : {&plan.phase, &plan.launch}) {
    for (const std::wstring& line : *lines) text += "| " + LineText(line) + "\n";
  }
  return text;
}

std::string FormatCodeList() {
  std::size_t width = 0;
  for (const CodeInfo& info : kCatalogue) width = std::max(width, std::strlen(info.name));
  std::string text;
  for (const CodeInfo& info : kCatalogue) {
    const std::string level = LevelName(info.level);
    text += info.name + std::string(width - std::strlen(info.name) + 2, ' ') + level +
            std::string(9 - level.size(), ' ') + info.title + "\n";
  }
  return text;
}

std::string LineText(const std::wstring& text) {
  return VisibleText(Utf8FromUtf16(text));
}

std::string LinePath(const std::string& path) {
  const std::string shown = VisibleText(path);
  const bool odd =
      shown.empty() || shown[0] == ':' || shown[0] == '#' || shown[0] == '-' || shown[0] == ' ';
  return odd && shown != "-" ? "./" + shown : shown;
}

namespace {

// One file: the table and the findings, or the case's trace. Several: each
// file's findings, then the totals.
class TextWriter : public FormWriter {
 public:
  explicit TextWriter(bool several) : several_(several) {}
  std::string File(const CheckedFile& file) override {
    const Explanation& explanation = file.explanation;
    if (explanation.only != nullptr) {
      const auto plan = std::find_if(explanation.cases.begin(), explanation.cases.end(),
                                     [&](const CasePlan& p) { return p.spec == explanation.only; });
      const std::string trace = FormatCaseTrace(*plan);
      return several_ ? LinePath(Utf8FromUtf16(file.shown)) + ":\n" + trace : trace;
    }
    if (!several_) return FormatTable(explanation) + "\n" + FormatWarnings(explanation, file.shown);
    const std::string lines = FormatFindingLines(explanation, file.shown);
    return lines.empty() ? lines : lines + "\n";
  }
  std::string End(const RunTotals& totals) override {
    if (!several_ || totals.files + totals.failed == 0) return "";
    std::string text = std::to_string(totals.files) + (totals.files == 1 ? " file" : " files") +
                       " checked, " + std::to_string(totals.filesWithFindings) +
                       " with findings: " + LevelCounts(totals.byLevel);
    if (totals.suppressed + totals.unchanged > 0) {
      text += " (besides " + std::to_string(totals.suppressed) + " suppressed, " +
              std::to_string(totals.unchanged) + " in the baseline)";
    }
    if (totals.failed > 0) {
      text += "; " + std::to_string(totals.failed) + (totals.failed == 1 ? " PATH" : " PATHs") +
              " could not be checked";
    }
    return text + "\n";
  }

 private:
  bool several_;
};

}  // namespace

std::unique_ptr<FormWriter> MakeTextWriter(bool several) {
  return std::make_unique<TextWriter>(several);
}
