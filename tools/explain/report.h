#pragma once

// perinax-explain's command line and its three kinds of output: the table with
// the warnings, one case's trace, and JSON.

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

// The parts, for the tests.
std::string FormatTable(const Explanation& explanation);
std::string FormatWarnings(const Explanation& explanation, const std::wstring& shownFile);
std::string FormatCaseTrace(const CasePlan& plan);
std::string FormatJson(const Explanation& explanation, const ExplainCase* only);
// Why a case writes nothing, or empty when it writes a value.
std::wstring NothingWrittenReason(const CasePlan& plan);
