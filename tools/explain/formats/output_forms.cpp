#include "tools/explain/formats/output_forms.h"

#include <algorithm>
#include <array>

#include "tools/explain/formats/forms.h"

namespace {

// The table and the warnings; with --case, that case's trace alone.
FormOutput WriteText(const Explanation& explanation, const std::wstring& shownFile) {
  if (explanation.only == nullptr) {
    return {FormatTable(explanation) + "\n" + FormatWarnings(explanation, shownFile), ""};
  }
  const auto plan = std::find_if(explanation.cases.begin(), explanation.cases.end(),
                                 [&](const CasePlan& p) { return p.spec == explanation.only; });
  FormOutput output{FormatCaseTrace(*plan), ""};
  // The warnings still decide the exit code, so the reason is said.
  const std::size_t count = explanation.findingCount;
  if (count > 0) {
    output.err = std::to_string(count) + (count == 1 ? " warning" : " warnings") +
                 ": run without --case to see them\n";
  }
  return output;
}

FormOutput WriteJson(const Explanation& explanation, const std::wstring&) {
  return {FormatJson(explanation), ""};
}

FormOutput WriteSarif(const Explanation& explanation, const std::wstring& shownFile) {
  return {FormatSarif(explanation, shownFile), ""};
}

constexpr std::array<OutputForm, 3> kForms = {{
    {"text", "text (the default): the table and the warnings", WriteText, nullptr},
    {"json", "json", WriteJson, FormatJsonFailure},
    {"sarif", "sarif (SARIF 2.1.0)", WriteSarif, FormatSarifFailure},
}};

}  // namespace

std::span<const OutputForm> OutputForms() {
  return kForms;
}

const OutputForm* FindOutputForm(std::string_view name) {
  for (const OutputForm& form : kForms) {
    if (name == form.name) return &form;
  }
  return nullptr;
}

std::string OutputFormNames(std::string_view between, std::string_view beforeLast) {
  std::string names;
  for (std::size_t i = 0; i < kForms.size(); ++i) {
    if (i > 0) names += i + 1 == kForms.size() ? beforeLast : between;
    names += kForms[i].name;
  }
  return names;
}
