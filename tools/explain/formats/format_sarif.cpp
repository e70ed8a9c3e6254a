// The SARIF 2.1.0 form, for code scanning: the catalogue as the rules, one
// result per warning of the other forms, and the cases' outcomes (which are
// no findings) in the run's properties.

#include <cstdint>
#include <map>
#include <string_view>

#include "perinax_version.h"
#include "tools/common/utf.h"
#include "tools/explain/formats/forms.h"
#include "tools/explain/formats/json_cases.h"
#include "tools/explain/formats/sarif_fixes.h"

namespace {

using json = nlohmann::ordered_json;

// SARIF's semanticVersion is Semantic Versioning: the fourth number of the
// project's version is the build, which that form writes after a '+'.
std::string SemanticVersion(std::string_view version) {
  std::size_t dots = 0;
  for (std::size_t i = 0; i < version.size(); ++i) {
    if (version[i] == '.' && ++dots == 3) {
      return std::string(version.substr(0, i)) + "+" + std::string(version.substr(i + 1));
    }
  }
  return std::string(version);
}

std::string Sentence(std::string text) {
  if (!text.empty() && text.back() != '.') text += '.';
  return text;
}

json Rules() {
  json rules = json::array();
  for (const CodeInfo& info : kCatalogue) {
    const std::string help = std::string(info.finds) + " " + info.fix;
    rules.push_back({{"id", info.name},
                     {"name", info.ruleName},
                     {"shortDescription", {{"text", Sentence(info.title)}}},
                     {"fullDescription", {{"text", info.finds}}},
                     {"help",
                      {{"text", help},
                       {"markdown", "**" + std::string(info.title) + "**\n\n" + info.finds +
                                        "\n\n" + "How to fix: " + info.fix}}},
                     {"defaultConfiguration", {{"level", "warning"}}}});
  }
  return rules;
}

// FNV-1a, 64 bits: small, stable across builds and platforms.
std::string Fingerprint(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) hex[static_cast<std::size_t>(i)] = kDigits[hash & 15];
  return hex;
}

json Driver() {
  return {{"name", "perinax-explain"},
          {"version", PERINAX_VERSION_TEXT},
          {"semanticVersion", SemanticVersion(PERINAX_VERSION_TEXT)},
          {"rules", Rules()}};
}

std::string Log(const json& run) {
  return DumpJson({{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
                   {"version", "2.1.0"},
                   {"runs", json::array({run})}});
}

}  // namespace

std::string UriReference(const std::wstring& path) {
  std::string text = Utf8FromUtf16(path);
  bool drive = false;
#ifdef _WIN32
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  drive = text.size() >= 2 && text[1] == ':' &&
          ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
#endif
  // A drive path ("C:/x") or a path from the root is absolute: a file: URI.
  std::string uri;
  if (drive) {
    uri = "file:///" + text.substr(0, 2);
    text.erase(0, 2);
  } else if (text.starts_with("//")) {
    uri = "file:";  // a network path: file://server/share/...
  } else if (text.starts_with("/")) {
    uri = "file://";
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                            (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                            byte == '_' || byte == '~' || byte == '/';
    if (unreserved) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 15];
    }
  }
  return uri;
}

std::string FormatSarif(const Explanation& explanation, const std::wstring& shownFile) {
  const std::string uri = UriReference(shownFile);
  json results = json::array();
  // A finding is known by its code and what it is about; a second finding of
  // both gets its ordinal, so that each keeps its own fingerprint.
  std::map<std::string, int> seen;
  for (const Finding& finding : explanation.findings) {
    const CodeInfo& info = InfoOf(finding.code);
    const std::string about = std::string(info.name) + "\n" + Utf8FromUtf16(finding.about);
    const int ordinal = seen[about]++;
    json result = {
        {"ruleId", info.name},
        {"ruleIndex", static_cast<int>(finding.code)},
        {"level", "warning"},
        {"message", {{"text", Utf8FromUtf16(finding.message)}}},
        {"locations",
         {{{"physicalLocation",
            {{"artifactLocation", {{"uri", uri}}}, {"region", {{"startLine", finding.line()}}}}}}}},
        {"partialFingerprints",
         {{"perinaxFinding/v1", Fingerprint(about + "\n" + std::to_string(ordinal))}}}};
    if (finding.fix) result["fixes"] = SarifFixes(*finding.fix, uri);
    results.push_back(std::move(result));
  }
  json cases = json::array();
  for (const CasePlan& plan : explanation.cases) cases.push_back(CaseJson(plan));
  const json run = {
      {"tool", {{"driver", Driver()}}},
      {"artifacts", {{{"location", {{"uri", uri}}}}}},
      {"results", std::move(results)},
      {"properties", {{"folderChecked", explanation.folderChecked}, {"cases", std::move(cases)}}}};
  return Log(run);
}

std::string FormatSarifFailure(const std::string& message) {
  // No results: the run did not get as far as looking at the file.
  const json invocation = {
      {"executionSuccessful", false},
      {"exitCode", kExplainFailed},
      {"toolExecutionNotifications", {{{"level", "error"}, {"message", {{"text", message}}}}}}};
  return Log({{"tool", {{"driver", Driver()}}},
              {"invocations", json::array({invocation})},
              {"results", json::array()}});
}
