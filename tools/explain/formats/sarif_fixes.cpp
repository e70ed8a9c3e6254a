#include "tools/explain/formats/sarif_fixes.h"

#include "tools/common/utf.h"

nlohmann::ordered_json SarifFixes(const Fix& fix, const std::string& uri) {
  using json = nlohmann::ordered_json;
  json replacements = json::array();
  for (const TextEdit& edit : fix.edits) {
    // An insertion deletes an empty region: its end is its start.
    replacements.push_back({{"deletedRegion",
                             {{"startLine", edit.from.line},
                              {"startColumn", edit.from.column},
                              {"endLine", edit.to.line},
                              {"endColumn", edit.to.column}}},
                            {"insertedContent", {{"text", Utf8FromUtf16(edit.text)}}}});
  }
  return json::array({{{"description", {{"text", Utf8FromUtf16(fix.description)}}},
                       {"artifactChanges", json::array({{{"artifactLocation", {{"uri", uri}}},
                                                         {"replacements", replacements}}})}}});
}
