// The whole checker: the bytes of an INI file in, every output form out. JSON
// and SARIF must parse, every form must be valid UTF-8, each warning must be
// one line, and the safe fixes must make a file the checker reads again.

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "tools/explain/engine/explainer.h"
#include "tools/explain/engine/fixes.h"
#include "tools/explain/formats/forms.h"

namespace {

bool ValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80         ? 1
                               : (lead >> 5) == 6  ? 2
                               : (lead >> 4) == 14 ? 3
                               : (lead >> 3) == 30 ? 4
                                                   : 0;
    if (length == 0 || i + length > text.size()) return false;
    std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

bool Parses(const std::string& text) {
  return !nlohmann::json::parse(text, nullptr, false).is_discarded();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<Explanation> explanation = Explain({.bytes = bytes, .file = L"Perinax.ini"});
  FUZZ_CHECK(explanation.has_value());
  const std::string json = FormatJson(*explanation);
  const std::string sarif = FormatSarif(*explanation, L"Perinax.ini");
  const std::string warnings = FormatWarnings(*explanation, L"Perinax.ini");
  FUZZ_CHECK(Parses(json) && Parses(sarif));
  for (const std::string* form : {&json, &sarif, &warnings}) FUZZ_CHECK(ValidUtf8(*form));
  std::string table = FormatTable(*explanation);
  for (const CasePlan& plan : explanation->cases) table += FormatCaseTrace(plan);
  FUZZ_CHECK(ValidUtf8(table));
  // One line a finding and one a left-out count, whatever the file holds; the
  // warnings' text starts with them and ends with the count on a line of its own.
  const std::string findingLines = FormatFindingLines(*explanation, L"Perinax.ini");
  std::size_t expected = 0, lines = 0;
  for (const Finding& finding : explanation->findings) expected += finding.Reported() ? 1 : 0;
  for (const LeftOut& left : explanation->leftOut) expected += Reported(*explanation, left) ? 1 : 0;
  for (const char c : findingLines) lines += c == '\n' ? 1 : 0;
  FUZZ_CHECK(lines == expected);
  FUZZ_CHECK(warnings.starts_with(findingLines));
  const std::size_t count = ReportedCount(*explanation);
  const std::string last = count == 0   ? "no warnings\n"
                           : count == 1 ? "1 warning\n"
                                        : std::to_string(count) + " warnings\n";
  FUZZ_CHECK(warnings.ends_with("\n" + last) || warnings == last);
  FUZZ_CHECK(warnings.find('\r') == std::string::npos);

  const FixedFile fixed = ApplyFixes(bytes, explanation->findings);
  FUZZ_CHECK(Explain({.bytes = fixed.bytes, .file = L"Perinax.ini"}).has_value());
  FUZZ_CHECK(ValidUtf8(UnifiedDiff(bytes, fixed.bytes, "Perinax.ini")));
  return 0;
}
