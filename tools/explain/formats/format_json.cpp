// The JSON form: every case (or the one of --case) and every reported finding;
// for several files, that object for each and the totals.

#include <nlohmann/json.hpp>

#include "tools/common/utf.h"
#include "tools/explain/engine/explainer.h"
#include "tools/explain/formats/forms.h"
#include "tools/explain/formats/json_cases.h"
#include "tools/explain/formats/output_forms.h"

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

namespace {

using json = nlohmann::ordered_json;

json FileJson(const Explanation& explanation) {
  // Ordered, so that the fields come in the documented order.
  json cases = json::array();
  for (const CasePlan& plan : explanation.cases) {
    if (explanation.only != nullptr && plan.spec != explanation.only) continue;
    json entry = CaseJson(plan);
    // The configuration phase and the launch up to the start, as Perinax traces them.
    json trace = json::array();
    for (const auto* lines : {&plan.phase, &plan.launch}) {
      for (const std::wstring& line : *lines) trace.push_back(Utf8FromUtf16(line));
    }
    entry["trace"] = std::move(trace);
    cases.push_back(std::move(entry));
  }
  json warnings = json::array();
  for (const Finding& finding : explanation.findings) {
    if (!finding.Reported()) continue;
    warnings.push_back({{"line", finding.line()},
                        {"code", InfoOf(finding.code).name},
                        {"message", Utf8FromUtf16(finding.message)},
                        {"level", LevelName(finding.level())}});
  }
  std::size_t leftOut = 0;
  for (const LeftOut& left : explanation.leftOut) {
    leftOut += Reported(explanation, left) ? left.count : 0;
  }
  // The count is of every reported finding, the left-out ones included.
  return {{"file", Utf8FromUtf16(explanation.file)},
          {"folderChecked", explanation.folderChecked},
          {"cases", std::move(cases)},
          {"warnings", std::move(warnings)},
          {"count", ReportedCount(explanation)},
          {"leftOut", leftOut}};
}

// Each file's object as it comes, inside {"files": [...], ...}.
class JsonWriter : public FormWriter {
 public:
  explicit JsonWriter(bool several) : several_(several) {}
  std::string File(const CheckedFile& file) override {
    if (!several_) return DumpJson(FileJson(file.explanation));
    std::string dumped = DumpJson(FileJson(file.explanation));
    dumped.pop_back();
    std::string text = files_++ == 0 ? "{\n  \"files\": [\n    " : ",\n    ";
    for (const char c : dumped) {
      text += c;
      if (c == '\n') text += "    ";
    }
    return text;
  }
  std::string Failed(const FailedPath& failed) override {
    failures_.push_back({{"path", failed.path}, {"reason", failed.reason}});
    return "";
  }
  std::string End(const RunTotals& totals) override {
    if (!several_) return "";
    const json rest = {{"failures", failures_},
                       {"totals",
                        {{"files", totals.files},
                         {"filesWithFindings", totals.filesWithFindings},
                         {"count", totals.Findings()},
                         {"error", totals.byLevel[static_cast<std::size_t>(Level::kError)]},
                         {"warning", totals.byLevel[static_cast<std::size_t>(Level::kWarning)]},
                         {"note", totals.byLevel[static_cast<std::size_t>(Level::kNote)]},
                         {"leftOut", totals.leftOut},
                         {"suppressed", totals.suppressed},
                         {"unchanged", totals.unchanged},
                         {"failed", totals.failed}}}};
    std::string tail = DumpJson(rest);  // "{\n  \"failures\": ...\n}\n"
    return (files_ == 0 ? "{\n  \"files\": [],\n" : "\n  ],\n") + tail.substr(2);
  }

 private:
  bool several_;
  std::size_t files_ = 0;
  json failures_ = json::array();
};

}  // namespace

std::string FormatJson(const Explanation& explanation) {
  return DumpJson(FileJson(explanation));
}

std::string FormatJsonFailure(const std::string& message) {
  return DumpJson({{"failure", message}});
}

std::unique_ptr<FormWriter> MakeJsonWriter(bool several) {
  return std::make_unique<JsonWriter>(several);
}
