// The SARIF 2.1.0 form, for code scanning: the catalogue as the rules, one run
// for every file, one result per finding (suppressed and known ones too, marked
// as such), and for one file the cases' outcomes (which are no findings) in
// the run's properties.

#include <cstdint>
#include <map>
#include <string_view>

#include "perinax_version.h"
#include "tools/common/utf.h"
#include "tools/explain/formats/forms.h"
#include "tools/explain/formats/json_cases.h"
#include "tools/explain/formats/output_forms.h"
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
                     {"defaultConfiguration", {{"level", LevelName(info.level)}}}});
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

// A plain-text message as SARIF viewers read it: '\', '[' and ']' escaped,
// so that no text from the file becomes an embedded link, and '{' and '}'
// doubled, so that none reads as a placeholder.
std::string SarifText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\\' || c == '[' || c == ']') out += '\\';
    if (c == '{' || c == '}') out += c;
    out += c;
  }
  return out;
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

std::string UriReference(const std::string& utf8Path) {
  return UriReference(Utf16FromUtf8(utf8Path));
}

std::vector<std::string> Fingerprints(const Explanation& explanation, const std::string& path) {
  std::vector<std::string> prints;
  prints.reserve(explanation.findings.size());
  std::map<std::string, int> seen;
  for (const Finding& finding : explanation.findings) {
    const std::string about =
        path + "\n" + InfoOf(finding.code).name + "\n" + Utf8FromUtf16(finding.about);
    const int ordinal = seen[about]++;
    prints.push_back(Fingerprint(about + "\n" + std::to_string(ordinal)));
  }
  return prints;
}

namespace {

json Result(const Finding& finding, const std::string& uri, std::size_t artifact,
            const std::string& fingerprint) {
  const CodeInfo& info = InfoOf(finding.code);
  json region = {{"startLine", finding.line()}, {"startColumn", finding.column()}};
  if (finding.range.end.column > finding.column()) region["endColumn"] = finding.range.end.column;
  json result = {
      {"ruleId", info.name},
      {"ruleIndex", static_cast<int>(finding.code)},
      {"level", LevelName(info.level)},
      {"message", {{"text", SarifText(Utf8FromUtf16(finding.message))}}},
      {"locations",
       {{{"physicalLocation",
          {{"artifactLocation", {{"uri", uri}, {"index", artifact}}}, {"region", region}}}}}},
      {"partialFingerprints", {{"perinaxFinding/v2", fingerprint}}},
      {"fingerprints", {{"perinaxFinding/v2", fingerprint}}}};
  if (finding.fix) result["fixes"] = SarifFixes(*finding.fix, uri);
  if (finding.suppression != Suppression::kNone) {
    result["suppressions"] = {
        {{"kind", finding.suppression == Suppression::kInSource ? "inSource" : "external"}}};
  }
  if (finding.baseline != BaselineState::kNone) {
    result["baselineState"] = finding.baseline == BaselineState::kUnchanged ? "unchanged" : "new";
  }
  return result;
}

std::string Compact(const json& value) {
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

// One run for every file: its results as they come, one a line; the artifacts,
// the invocation and (for one file) the cases after them.
class SarifWriter : public FormWriter {
 public:
  explicit SarifWriter(bool several) : several_(several) {}
  std::string File(const CheckedFile& file) override {
    const Explanation& explanation = file.explanation;
    const std::string uri = UriReference(file.path);
    const std::size_t index = artifacts_.size();
    // Held as text: a run over ten thousand files keeps ten thousand of them.
    artifacts_.push_back(Compact({{"location", {{"uri", uri}}}, {"roles", {"analysisTarget"}}}));
    std::string text = Start();
    const std::vector<std::string> prints = Fingerprints(explanation, file.path);
    for (std::size_t i = 0; i < explanation.findings.size(); ++i) {
      text += (results_++ == 0 ? "\n        " : ",\n        ") +
              Compact(Result(explanation.findings[i], uri, index, prints[i]));
    }
    for (const LeftOut& left : explanation.leftOut) {
      // SARIF carries each result it has; the ones counted past the cap are said here.
      notifications_.push_back(
          {{"level", "note"},
           {"message",
            {{"text", SarifText(file.path + ": " + std::to_string(left.count) + " more " +
                                InfoOf(left.code).name + " findings from line " +
                                std::to_string(left.firstLine) + " on are left out")}}},
           {"locations",
            {{{"physicalLocation",
               {{"artifactLocation", {{"uri", uri}, {"index", index}}},
                {"region", {{"startLine", left.firstLine}}}}}}}}});
    }
    if (!several_) {
      properties_ = {{"folderChecked", explanation.folderChecked}, {"cases", json::array()}};
      for (const CasePlan& plan : explanation.cases) properties_["cases"].push_back(CaseJson(plan));
    }
    return text;
  }
  std::string Failed(const FailedPath& failed) override {
    notifications_.push_back(
        {{"level", "error"},
         {"message", {{"text", SarifText("cannot read " + failed.path + ": " + failed.reason)}}}});
    return Start();
  }
  std::string End(const RunTotals& totals) override {
    json invocation = {{"executionSuccessful", totals.failed == 0}, {"exitCode", totals.exitCode}};
    if (!notifications_.empty()) invocation["toolExecutionNotifications"] = notifications_;
    std::string text = Start() + (results_ == 0 ? "],\n" : "\n      ],\n");
    text += "      \"artifacts\": [";
    for (std::size_t i = 0; i < artifacts_.size(); ++i) {
      text += (i == 0 ? "\n        " : ",\n        ") + artifacts_[i];
    }
    text += artifacts_.empty() ? "],\n" : "\n      ],\n";
    text += "      \"invocations\": [" + Compact(invocation) + "]";
    if (!properties_.is_null()) text += ",\n      \"properties\": " + Compact(properties_);
    return text + "\n    }\n  ]\n}\n";
  }

 private:
  // The log up to the first result, once.
  std::string Start() {
    if (started_) return "";
    started_ = true;
    return "{\n  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n"
           "  \"version\": \"2.1.0\",\n  \"runs\": [\n    {\n      \"tool\": " +
           Compact({{"driver", Driver()}}) + ",\n      \"results\": [";
  }

  bool several_;
  bool started_ = false;
  std::size_t results_ = 0;
  std::vector<std::string> artifacts_;
  json notifications_ = json::array();
  json properties_;
};

}  // namespace

std::string FormatSarif(const Explanation& explanation, const std::wstring& shownFile) {
  SarifWriter writer(false);
  const CheckedFile file{explanation, shownFile, Utf8FromUtf16(shownFile)};
  std::string text = writer.File(file);
  RunTotals totals;
  totals.files = 1;
  totals.exitCode = ExitCodeOf(explanation);
  return text + writer.End(totals);
}

std::string FormatSarifFailure(const std::string& message) {
  // No results: the run did not get as far as looking at the file.
  const json invocation = {{"executionSuccessful", false},
                           {"exitCode", kExplainFailed},
                           {"toolExecutionNotifications",
                            {{{"level", "error"}, {"message", {{"text", SarifText(message)}}}}}}};
  return Log({{"tool", {{"driver", Driver()}}},
              {"invocations", json::array({invocation})},
              {"results", json::array()}});
}

std::unique_ptr<FormWriter> MakeSarifWriter(bool several) {
  return std::make_unique<SarifWriter>(several);
}
