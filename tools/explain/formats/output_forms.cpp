#include "tools/explain/formats/output_forms.h"

#include <array>

#include "tools/explain/formats/forms.h"

namespace {

constexpr std::array<OutputForm, 9> kForms = {{
    {"text", "text (the default): the table and the findings; for several files the findings",
     MakeTextWriter, nullptr},
    {"json", "json", MakeJsonWriter, FormatJsonFailure},
    {"sarif", "sarif (SARIF 2.1.0, for code scanning)", MakeSarifWriter, FormatSarifFailure},
    {"gcc", "gcc (FILE:LINE:COL: LEVEL: TEXT [CODE])", MakeGccWriter, nullptr},
    {"github", "github (GitHub Actions workflow commands)", MakeGithubWriter, nullptr},
    {"azure", "azure (Azure Pipelines logging commands)", MakeAzureWriter, nullptr},
    {"gitlab", "gitlab (a GitLab Code Quality report)", MakeGitlabWriter, nullptr},
    {"junit", "junit (JUnit XML: Jenkins, GitLab, Azure)", MakeJunitWriter, nullptr},
    {"checkstyle", "checkstyle (Checkstyle XML)", MakeCheckstyleWriter, nullptr},
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
