#pragma once

// perinax-explain's command line and its output forms: the table with the
// warnings and one case's trace (format_text.cpp), JSON (format_json.cpp) and
// SARIF for code scanning (format_sarif.cpp).

#include <filesystem>
#include <string>
#include <vector>

#include "tools/explain/explainer.h"

inline constexpr int kExplainClean = 0;
inline constexpr int kExplainWarnings = 1;
inline constexpr int kExplainFailed = 2;  // unreadable file or wrong command line

struct ExplainOutput {
  int exitCode = kExplainFailed;
  std::string out;  // UTF-8
  std::string err;  // UTF-8
};

// The whole program: `arguments` are the command line's words after the
// program's name, as UTF-16; `paths` the same words as this system's paths, so
// that FILE is opened by the name it was given.
ExplainOutput RunExplainer(const std::vector<std::wstring>& arguments,
                           const std::vector<std::filesystem::path>& paths);

// The forms, each from the one explanation.
std::string FormatTable(const Explanation& explanation);
std::string FormatWarnings(const Explanation& explanation, const std::wstring& shownFile);
std::string FormatCaseTrace(const CasePlan& plan);
std::string FormatCodeList();
std::string FormatJson(const Explanation& explanation, const ExplainCase* only);
// FILE as given, `shownFile`, is the result's location, so that a relative path
// stays relative to where the tool was run (the repository, in CI).
std::string FormatSarif(const Explanation& explanation, const std::wstring& shownFile);

// FILE as a URI reference: separators as '/', a relative path kept relative,
// an absolute one as a file: URI, and everything but unreserved characters
// percent-encoded.
std::string UriReference(const std::wstring& path);
