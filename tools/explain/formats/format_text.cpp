// The forms for people: the table of what each case does, the warnings as
// editors and CI logs read them, one case's trace, and the list of codes.

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "common/os_version_code.h"
#include "common/text.h"
#include "tools/common/utf.h"
#include "tools/explain/checks/wording.h"
#include "tools/explain/engine/explainer.h"
#include "tools/explain/formats/forms.h"
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

std::string Lines(const std::vector<std::wstring>& lines) {
  std::string text;
  for (const std::wstring& line : lines) text += Utf8FromUtf16(line) + "\n";
  return text;
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
  const std::string file = Utf8FromUtf16(shownFile);
  for (const Finding& finding : explanation.findings) {
    text += file + ":" + std::to_string(finding.line()) +
            ": warning: " + Utf8FromUtf16(finding.message) + " [" + InfoOf(finding.code).name +
            "]\n";
  }
  const std::size_t count = explanation.findingCount;
  text += count == 0 ? std::string("no warnings\n")
                     : std::to_string(count) + (count == 1 ? " warning\n" : " warnings\n");
  return text;
}

std::string FormatCaseTrace(const CasePlan& plan) {
  return Lines(plan.phase) + Lines(plan.launch);
}

std::string FormatCodeList() {
  std::size_t width = 0;
  for (const CodeInfo& info : kCatalogue) width = std::max(width, std::strlen(info.name));
  std::string text;
  for (const CodeInfo& info : kCatalogue) {
    text += info.name + std::string(width - std::strlen(info.name) + 2, ' ') + info.title + "\n";
  }
  return text;
}
