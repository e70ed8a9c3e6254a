#include "tools/explain/cli/accepted.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>

#include "tools/explain/cli/inputs.h"

namespace {

constexpr const char* kRcName = ".perinax-explainrc";
// Folders remembered: deeper trees than this only look again.
constexpr std::size_t kFoldersKnown = 64;

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

RcFile ReadRcFile(const std::filesystem::path& path) {
  RcFile rc;
  const ReadResult read = ReadInput(path);
  const std::string shown = path.string();
  if (!read.bytes) {
    rc.problems.push_back(shown + ": cannot read: " + read.reason);
    return rc;
  }
  std::istringstream lines(*read.bytes);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    line = Trimmed(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (!line.starts_with("disable=")) {
      rc.problems.push_back(shown + ":" + std::to_string(number) +
                            ": not a line disable=CODE[,CODE...]");
      continue;
    }
    std::stringstream codes(line.substr(8));
    std::string name;
    while (std::getline(codes, name, ',')) {
      name = Trimmed(name);
      if (name.empty()) continue;
      if (const CodeInfo* info = FindCode(name)) {
        rc.disabled.set(static_cast<std::size_t>(info->code));
      } else {
        std::string problem = shown + ":" + std::to_string(number);
        problem += ": unknown code " + name + " (perinax-explain --list-codes lists them)";
        rc.problems.push_back(std::move(problem));
      }
    }
  }
  return rc;
}

std::shared_ptr<const RcFile> RcFinder::For(const std::filesystem::path& folder, bool& fresh) {
  // Compared as text: comparing paths element by element costs more than the lookup.
  for (const auto& [known, rc] : known_) {
    if (known.native() == folder.native()) return rc;
  }
  std::shared_ptr<const RcFile> rc;
  std::error_code error;
  const std::filesystem::path candidate = folder / kRcName;
  if (std::filesystem::is_regular_file(candidate, error)) {
    rc = std::make_shared<const RcFile>(ReadRcFile(candidate));
    fresh = true;
  } else if (!std::filesystem::exists(folder / ".git", error) && folder.has_parent_path() &&
             folder.parent_path() != folder) {
    rc = For(folder.parent_path(), fresh);
  }
  if (known_.size() >= kFoldersKnown) known_.clear();
  known_.emplace_back(folder, rc);
  return rc;
}

Baseline ReadBaseline(const std::filesystem::path& path) {
  Baseline baseline;
  const ReadResult read = ReadInput(path);
  if (!read.bytes) {
    baseline.error = "cannot read the baseline " + path.string() + ": " + read.reason;
    return baseline;
  }
  const nlohmann::json log = nlohmann::json::parse(*read.bytes, nullptr, false);
  if (log.is_discarded() || !log.is_object() || !log.contains("runs") || !log["runs"].is_array()) {
    baseline.error = "the baseline " + path.string() + " is no SARIF log";
    return baseline;
  }
  for (const nlohmann::json& run : log["runs"]) {
    if (!run.is_object() || !run.contains("results") || !run["results"].is_array()) continue;
    for (const nlohmann::json& result : run["results"]) {
      for (const char* field : {"fingerprints", "partialFingerprints"}) {
        if (!result.is_object() || !result.contains(field)) continue;
        const nlohmann::json& prints = result[field];
        if (prints.is_object() && prints.contains("perinaxFinding/v2") &&
            prints["perinaxFinding/v2"].is_string()) {
          baseline.fingerprints.insert(prints["perinaxFinding/v2"].get<std::string>());
        }
      }
    }
  }
  return baseline;
}
