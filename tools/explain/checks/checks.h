#pragma once

// The checks as the engine calls them: over the file and the cases' runs, the
// findings by line.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/explain/engine/explanation.h"

class IniReader;

struct CheckerFindings {
  std::vector<Finding> findings;  // by line
  std::vector<LeftOut> leftOut;   // the codes that had more than kWarningsPerCode
  std::size_t count = 0;          // those left out included
};

// `file` is the name the file is checked under (a path, or a name alone).
CheckerFindings RunChecks(const IniReader& ini, const std::wstring& file,
                          const std::optional<std::filesystem::path>& folder,
                          const std::vector<CasePlan>& plans);
