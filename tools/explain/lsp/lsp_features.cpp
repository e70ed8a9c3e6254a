// Diagnostics, symbols, completion and code actions, from the checker's
// explanation of the document and the launcher's own tables.

#include "tools/explain/lsp/lsp_features.h"

#include <algorithm>
#include <set>

#include "lib/ini/ini_reader.h"
#include "settings/ini_schema.h"
#include "tools/common/utf.h"

namespace {

using json = nlohmann::json;

// The protocol's DiagnosticSeverity.
int Severity(Level level) {
  switch (level) {
    case Level::kError:
      return 1;
    case Level::kWarning:
      return 2;
    case Level::kNote:
      return 3;  // Information
  }
  return 2;
}

json Diagnostic(const LspDocument& document, const Finding& finding, const std::string& codePages) {
  const CodeInfo& info = InfoOf(finding.code);
  json diagnostic = {{"range", EditorRange(document, finding.range.start, finding.range.end)},
                     {"severity", Severity(info.level)},
                     {"code", info.name},
                     {"source", "perinax-explain"},
                     {"message", Utf8FromUtf16(finding.message)}};
  if (!codePages.empty()) {
    std::string href = codePages;
    const std::size_t at = href.find("{code}");
    if (at != std::string::npos) href.replace(at, 6, info.name);
    diagnostic["codeDescription"] = {{"href", href}};
  }
  return diagnostic;
}

std::string FixText(const LspDocument& document, const std::wstring& text) {
  std::string written;
  for (const char c : Utf8FromUtf16(text)) {
    if (c == '\n') {
      written += LineEnd(document);
    } else {
      written += c;
    }
  }
  return written;
}

}  // namespace

json Diagnostics(const LspDocument& document, const std::string& codePages) {
  json diagnostics = json::array();
  if (!document.explanation) return diagnostics;
  for (const Finding& finding : document.explanation->findings) {
    // What the file's own comments disable is accepted, as in every form but SARIF.
    if (!finding.Reported()) continue;
    diagnostics.push_back(Diagnostic(document, finding, codePages));
  }
  return diagnostics;
}

json DocumentSymbols(const LspDocument& document) {
  json symbols = json::array();
  const IniReader ini = IniReader::FromBytes(document.bytes);
  const std::vector<IniSection>& sections = ini.sections();
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const std::uint32_t line = sections[i].line - 1;
    // A section runs to the line before the next one, or to the end.
    const bool final = i + 1 == sections.size();
    std::uint32_t last = final ? line : sections[i + 1].line - 2;
    if (final) {
      for (const IniKey& key : ini.Keys(sections[i])) last = std::max(last, key.line - 1u);
    }
    const auto width = [&](std::uint32_t at) {
      return Utf16FromUtf8(EditorLine(document, at)).size();
    };
    const json header = {{"start", {{"line", line}, {"character", 0}}},
                         {"end", {{"line", line}, {"character", width(line)}}}};
    // Appended, not "[" + text: GCC 12 at -O3 warns of a false overlap in the latter.
    std::string name = "[";
    name += Utf8FromUtf16(ini.Name(sections[i]));
    name += "]";
    symbols.push_back(
        {{"name", name},
         {"kind", 3},  // Namespace
         {"range",
          {{"start", header["start"]}, {"end", {{"line", last}, {"character", width(last)}}}}},
         {"selectionRange", header}});
  }
  return symbols;
}

json Completions(const LspDocument& document, std::uint32_t line, std::uint32_t character) {
  const std::wstring before = Utf16FromUtf8(EditorLine(document, line)).substr(0, character);
  const std::size_t first = before.find_first_not_of(L" \t");
  json items = json::array();
  if (first != std::wstring::npos && before[first] == L'[') {
    // The sections Perinax looks for: each case's version section, and [Default].
    std::set<std::wstring> names = {kSectionDefault};
    if (document.explanation) {
      for (const CasePlan& plan : document.explanation->cases) {
        if (plan.versionSection != nullptr) names.insert(plan.versionSection);
      }
    }
    for (const std::wstring& name : names) {
      items.push_back({{"label", Utf8FromUtf16(name)}, {"kind", 9}});  // Module
    }
  } else if (before.find(L'=') == std::wstring::npos) {
    for (const IniKeySpec& key : kIniKeys) {
      items.push_back({{"label", Utf8FromUtf16(key.name)}, {"kind", 10}});  // Property
    }
  }
  return items;
}

json CodeActions(const LspDocument& document, std::uint32_t first, std::uint32_t last,
                 const std::string& codePages) {
  json actions = json::array();
  if (!document.explanation) return actions;
  for (const Finding& finding : document.explanation->findings) {
    const std::uint32_t line = finding.line() - 1;
    if (!finding.fix || line < first || line > last) continue;
    json edits = json::array();
    for (const TextEdit& edit : finding.fix->edits) {
      edits.push_back({{"range", EditorRange(document, edit.from, edit.to)},
                       {"newText", FixText(document, edit.text)}});
    }
    actions.push_back({{"title", Utf8FromUtf16(finding.fix->description)},
                       {"kind", "quickfix"},
                       {"isPreferred", true},
                       {"diagnostics", json::array({Diagnostic(document, finding, codePages)})},
                       {"edit", {{"changes", {{document.uri, std::move(edits)}}}}}});
  }
  return actions;
}
