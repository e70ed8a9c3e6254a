#include "tools/explain/cli/fix_mode.h"

#include <fstream>

#include "tools/common/utf.h"
#include "tools/explain/engine/fixes.h"

ExplainOutput RunFixMode(FixMode mode, const std::filesystem::path& path, const std::wstring& shown,
                         std::string_view bytes, const Explanation& explanation) {
  // Only the findings that count are mended: what a team accepted stays as it is.
  std::vector<Finding> reported;
  for (const Finding& finding : explanation.findings) {
    if (finding.Reported()) reported.push_back(finding);
  }
  const FixedFile fixed = ApplyFixes(bytes, reported);
  const std::size_t count = ReportedCount(explanation);
  ExplainOutput output;
  // Findings past the cap have no fix of their own.
  output.exitCode = fixed.applied == count ? kExplainClean : kExplainWarnings;
  const std::string name = Utf8FromUtf16(shown);
  if (mode == FixMode::kDiff) {
    output.out = UnifiedDiff(bytes, fixed.bytes, name);
    return output;
  }
  if (fixed.applied > 0) {
    // Written beside FILE first, so that a failed write leaves FILE as it was.
    std::filesystem::path written = path;
    written += ".perinax-fix";
    std::error_code error;
    {
      std::ofstream file(written, std::ios::binary | std::ios::trunc);
      file.write(fixed.bytes.data(), static_cast<std::streamsize>(fixed.bytes.size()));
      if (!file) error = std::make_error_code(std::errc::io_error);
    }
    if (!error) std::filesystem::rename(written, path, error);
    if (error) {
      std::filesystem::remove(written, error);
      output.exitCode = kExplainFailed;
      output.err = "perinax-explain: cannot write " + name + "\n";
      return output;
    }
  }
  output.err = "perinax-explain: " + std::to_string(fixed.applied) + " of " +
               std::to_string(count) + " findings fixed in " + name + "\n";
  return output;
}
