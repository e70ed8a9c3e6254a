// The JSON form: every case (or the one of --case) and every warning.

#include <nlohmann/json.hpp>

#include "tools/explain/engine/explainer.h"
#include "tools/common/utf.h"
#include "tools/explain/formats/forms.h"
#include "tools/explain/formats/json_cases.h"

nlohmann::ordered_json CaseJson(const CasePlan& plan) {
  using json = nlohmann::ordered_json;
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
  return entry;
}

std::string DumpJson(const nlohmann::ordered_json& document) {
  return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string FormatJson(const Explanation& explanation) {
  // Ordered, so that the fields come in the documented order.
  using json = nlohmann::ordered_json;
  json cases = json::array();
  for (const CasePlan& plan : explanation.cases) {
    if (explanation.only != nullptr && plan.spec != explanation.only) continue;
    json entry = CaseJson(plan);
    json trace = json::array();
    for (const std::wstring& line : plan.phase) trace.push_back(Utf8FromUtf16(line));
    entry["trace"] = std::move(trace);
    cases.push_back(std::move(entry));
  }
  json warnings = json::array();
  for (const Finding& finding : explanation.findings) {
    warnings.push_back({{"line", finding.line()},
                        {"code", InfoOf(finding.code).name},
                        {"message", Utf8FromUtf16(finding.message)}});
  }
  return DumpJson({{"file", Utf8FromUtf16(explanation.file)},
                   {"folderChecked", explanation.folderChecked},
                   {"cases", std::move(cases)},
                   {"warnings", std::move(warnings)}});
}

std::string FormatJsonFailure(const std::string& message) {
  return DumpJson({{"failure", message}});
}
