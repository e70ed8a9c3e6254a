#pragma once

// perinax-explain's engine: the launcher's own configuration phase and the
// start of its launch, run once per Windows case on the planning platform, and
// the findings about what in the INI file is probably a mistake. Every client
// (the command line, the page) hands a request in and formats what comes out.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/os_version_code.h"
#include "tools/explain/engine/explanation.h"

class IniReader;

// The eleven cases, in the order of the table.
const std::vector<ExplainCase>& ExplainCases();
const ExplainCase* FindExplainCase(std::string_view name);

// Reads the request's bytes with the INI reader and runs every case over
// them; null when they are no INI file the reader takes (2 GiB or more).
[[nodiscard]] std::optional<Explanation> Explain(const ExplainRequest& request);

// What one case's run sees besides its Windows: the file (read from `folder`,
// shown as `file`) and the argument text.
class PathAnswers;

struct CaseInputs {
  const IniReader& ini;
  const std::optional<std::filesystem::path>& folder;
  const std::wstring& file;
  const std::wstring& args;
  // What the runs found beside the file so far (the programs started, the paths
  // asked whether they are folders), so that eleven cases look each up once;
  // null to look each time.
  PathAnswers* found = nullptr;
  PathAnswers* folders = nullptr;
};
// One case's run, as Explain makes it for each case.
CasePlan PlanCase(const ExplainCase& spec, const CaseInputs& inputs);

// The plan of one run whose trace gave this OS code ("OS version N"), run as
// Explain runs each case. Its case is the table's row of that code, or null
// for a code the table does not hold (an ARM64 machine, another version).
CasePlan PlanOsCode(OSVersionCode code, const CaseInputs& inputs);

// Why a case writes nothing, or empty when it writes a value.
std::wstring NothingWrittenReason(const CasePlan& plan);
