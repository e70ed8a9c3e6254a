// The page's form: the JSON form, parsed back and added to, so that every
// field the command line's JSON has is the same bytes' same answer.

#include "tools/explain/web/page_form.h"

#include <nlohmann/json.hpp>

#include "tools/common/utf.h"
#include "tools/explain/formats/forms.h"
#include "tools/explain/formats/json_cases.h"
#include "tools/explain/formats/text_cells.h"

namespace {

using json = nlohmann::ordered_json;

json Shown(const CasePlan& plan) {
  json shown;
  shown["program"] = plan.started ? json(nullptr) : json(Utf8FromUtf16(SetupCell(plan)));
  const bool unnamed = plan.write && plan.write->name.empty();
  shown["name"] = unnamed ? json(Utf8FromUtf16(kDefaultValueName)) : json(nullptr);
  const std::wstring regedit = RegeditHint(plan);
  shown["regedit"] = regedit.empty() ? json(nullptr) : json(Utf8FromUtf16(regedit));
  return shown;
}

}  // namespace

std::string FormatPageJson(const Explanation& explanation) {
  json page = json::parse(FormatJson(explanation));
  json& cases = page["cases"];
  std::size_t shownCase = 0;
  for (const CasePlan& plan : explanation.cases) {
    if (explanation.only != nullptr && plan.spec != explanation.only) continue;
    cases[shownCase++]["shown"] = Shown(plan);
  }
  json& warnings = page["warnings"];
  for (std::size_t i = 0; i < explanation.findings.size(); ++i) {
    const Finding& finding = explanation.findings[i];
    warnings[i]["level"] = LevelName(InfoOf(finding.code).level);
    // What the file lacks lies on no line: its finding stands at line 1, which
    // the page then does not quote.
    warnings[i]["fileWide"] = finding.about.empty() || finding.code == Code::kNoDefault;
  }
  page["warningCount"] = ReportedCount(explanation);
  return DumpJson(page);
}
