// The hover: for a section header, which cases read the section and what each
// then does; for a key, what Perinax does with its value on each case that
// reads it. Every fact is the case's plan, as the engine made it.

#include <algorithm>

#include "lib/ini/ini_reader.h"
#include "settings/ini_schema.h"
#include "tools/common/utf.h"
#include "tools/explain/engine/explainer.h"
#include "tools/explain/formats/text_cells.h"
#include "tools/explain/lsp/lsp_features.h"

namespace {

std::string Utf8(std::wstring_view text) {
  return Utf8FromUtf16(Printable(text, 200));
}

// What a case writes, as the text form's table says it.
std::string WriteText(const CasePlan& plan) {
  if (!plan.write) return "writes nothing: " + Utf8(NothingWrittenReason(plan));
  std::string text = "writes `" +
                     Utf8(plan.write->name.empty() ? kDefaultValueName : plan.write->name) +
                     "` = " + std::to_string(plan.write->value) + " under `HKLM\\" +
                     Utf8(plan.write->key) + "` (" + std::to_string(plan.view) + "-bit view)";
  const std::wstring regedit = RegeditHint(plan);
  if (!regedit.empty()) text += ", which regedit shows as `" + Utf8(regedit) + "`";
  return text;
}

std::string ProgramText(const CasePlan& plan) {
  if (plan.started) return "starts `" + Utf8(*plan.started) + "`";
  return "starts " + Utf8(SetupCell(plan));
}

// What one case does with the value of a key of the given role.
std::string KeyEffect(const CasePlan& plan, const IniKeySpec& key) {
  std::string read = "reads `" + Utf8(plan.settings.*key.field) + "`";
  switch (key.role) {
    case KeyRole::kProgram:
      return read + " and " + ProgramText(plan);
    case KeyRole::kPath:
    case KeyRole::kName:
    case KeyRole::kValue:
      return read + " and " + WriteText(plan);
  }
  return read;
}

bool Reads(const CasePlan& plan, std::wstring_view section) {
  return IniReader::SameName(plan.section, section);
}

bool ReadsKey(const CasePlan& plan, std::wstring_view key) {
  return std::any_of(plan.keysRead.begin(), plan.keysRead.end(),
                     [&](const std::wstring& read) { return IniReader::SameName(read, key); });
}

std::string SectionHover(const Explanation& explanation, const IniReader& ini,
                         const IniSection& section) {
  const std::wstring_view name = ini.Name(section);
  std::string text = "**[" + Utf8(name) + "]**\n\n";
  if (ini.FindSection(name) != &section) {
    return text + "Never read: an earlier section of this name is the one Windows reads.";
  }
  std::string cases;
  for (const CasePlan& plan : explanation.cases) {
    if (!Reads(plan, name)) continue;
    cases += "- " + std::string(plan.spec->name) + ": " + ProgramText(plan) + "; " +
             WriteText(plan) + "\n";
  }
  return cases.empty() ? text + "No case reads this section." : text + "Read by:\n\n" + cases;
}

std::string KeyHover(const Explanation& explanation, const IniReader& ini,
                     const IniSection& section, const IniKey& key) {
  const std::wstring_view name = ini.Name(key);
  std::string text = "**" + Utf8(name) + "** in [" + Utf8(ini.Name(section)) + "]\n\n";
  const IniKeySpec* spec = nullptr;
  for (const IniKeySpec& known : kIniKeys) {
    if (IniReader::SameName(known.name, name)) spec = &known;
  }
  if (spec == nullptr) return text + "Perinax never reads this key.";
  if (ini.FindSection(ini.Name(section)) != &section || ini.FindKey(section, name) != &key) {
    return text + "Never read: an earlier one of this name is the one Windows reads.";
  }
  std::string cases;
  for (const CasePlan& plan : explanation.cases) {
    if (!Reads(plan, ini.Name(section)) || !ReadsKey(plan, name)) continue;
    // Each architecture's run uses its own registry target's keys.
    if (spec->architecture != kAnyArchitecture && spec->architecture != plan.spec->architecture) {
      continue;
    }
    cases += "- " + std::string(plan.spec->name) + ": " + KeyEffect(plan, *spec) + "\n";
  }
  return cases.empty() ? text + "No case reads this key here." : text + cases;
}

}  // namespace

std::optional<std::string> HoverText(const LspDocument& document, std::uint32_t line) {
  if (!document.explanation) return std::nullopt;
  const IniReader ini = IniReader::FromBytes(document.bytes);
  const std::uint32_t wanted = line + 1;
  for (const IniSection& section : ini.sections()) {
    if (section.line == wanted) return SectionHover(*document.explanation, ini, section);
    if (section.line > wanted) break;
    for (const IniKey& key : ini.Keys(section)) {
      if (key.line == wanted) return KeyHover(*document.explanation, ini, section, key);
    }
  }
  return std::nullopt;
}
