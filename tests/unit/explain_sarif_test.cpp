// perinax-explain's SARIF: its results are the JSON form's warnings, its
// locations URI references of FILE as given, its fingerprints blind to lines
// added above. (tests/sarif/validate.sh holds it against the SARIF Multitool.)

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "tools/common/utf.h"
#include "tools/explain/cli/command_line.h"
#include "tools/explain/engine/explainer.h"
#include "tools/explain/formats/forms.h"

namespace {

const std::filesystem::path kSource(PERINAX_SOURCE_DIR);

nlohmann::json Explained(const std::string& form, const std::filesystem::path& file) {
  const ExplainOutput output = RunExplainer(
      {L"--format", Utf16FromUtf8(form), Utf16FromUtf8(file.string())}, {form, form, file});
  EXPECT_LE(output.exitCode, 1) << output.err;
  return nlohmann::json::parse(output.out);
}

// A SARIF message's text as it reads: '\\', '[' and ']' escaped, '{' and '}' doubled.
std::string Unescaped(const std::string& text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' || ((text[i] == '{' || text[i] == '}') && i + 1 < text.size())) ++i;
    plain += text[i];
  }
  return plain;
}

}  // namespace

TEST(ExplainSarif, ResultsAreTheJsonWarnings) {
  for (const auto& file :
       {kSource / "examples/Perinax.ini", kSource / "tests/sarif/usual mistakes.ini",
        kSource / "tests/sarif/encoding+layout.ini"}) {
    SCOPED_TRACE(file.string());
    const nlohmann::json json = Explained("json", file);
    const nlohmann::json sarif = Explained("sarif", file);
    const nlohmann::json& run = sarif["runs"][0];
    nlohmann::json results = nlohmann::json::array();
    for (const nlohmann::json& result : run["results"]) {
      const nlohmann::json& location = result["locations"][0]["physicalLocation"];
      // Below the current folder, a file is named relative to it.
      const std::filesystem::path below = file.lexically_relative(std::filesystem::current_path());
      const bool relative = !below.empty() && *below.begin() != "..";
      EXPECT_EQ(location["artifactLocation"]["uri"],
                UriReference((relative ? below : file).generic_string()));
      EXPECT_EQ(run["tool"]["driver"]["rules"][result["ruleIndex"].get<int>()]["id"],
                result["ruleId"]);
      results.push_back({{"line", location["region"]["startLine"]},
                         {"code", result["ruleId"]},
                         {"message", Unescaped(result["message"]["text"])},
                         {"level", result["level"]}});
    }
    EXPECT_EQ(results, json["warnings"]);
    EXPECT_EQ(run["properties"]["cases"].size(), 11u);
  }
}

TEST(ExplainSarif, LocationIsFileAsGivenAsAUriReference) {
  const std::pair<const wchar_t*, const char*> rows[] = {
      {L"Perinax.ini", "Perinax.ini"},
      {L"media files/Perinax.ini", "media%20files/Perinax.ini"},
      {L"../caf\u00e9 #1.ini", "../caf%C3%A9%20%231.ini"},
      {L"a:b.ini", "a%3Ab.ini"},  // a colon in the first segment would read as a scheme
      {L"/srv/media/Perinax.ini", "file:///srv/media/Perinax.ini"},
  };
  for (const auto& [path, uri] : rows) EXPECT_EQ(UriReference(path), uri);
}

TEST(ExplainSarif, FingerprintsSurviveLinesAddedAbove) {
  std::ifstream in(kSource / "tests/sarif/usual mistakes.ini", std::ios::binary);
  const std::string ini{std::istreambuf_iterator<char>(in), {}};
  const auto results = [](const std::string& bytes) {
    const std::optional<Explanation> explanation =
        Explain({.bytes = bytes, .file = L"Perinax.ini"});
    return nlohmann::json::parse(
        FormatSarif(explanation.value(), L"Perinax.ini"))["runs"][0]["results"];
  };
  const nlohmann::json before = results(ini);
  const nlohmann::json after = results("; one\n; two\n\n" + ini);
  ASSERT_EQ(before.size(), after.size());
  std::set<std::string> distinct;
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(before[i]["partialFingerprints"], after[i]["partialFingerprints"]);
    EXPECT_EQ(before[i]["locations"][0]["physicalLocation"]["region"]["startLine"].get<int>() + 3,
              after[i]["locations"][0]["physicalLocation"]["region"]["startLine"].get<int>());
    distinct.insert(before[i]["partialFingerprints"].dump());
  }
  EXPECT_EQ(distinct.size(), before.size()) << "each finding its own fingerprint";
}
