#pragma once

// perinax-explain's output forms, each from the one explanation: the table
// with the warnings and one case's trace (format_text.cpp), JSON
// (format_json.cpp) and SARIF for code scanning (format_sarif.cpp). The
// command line picks one through the table of forms (output_forms.h).

#include <string>

#include "tools/explain/engine/explanation.h"

std::string FormatTable(const Explanation& explanation);
std::string FormatWarnings(const Explanation& explanation, const std::wstring& shownFile);
std::string FormatCaseTrace(const CasePlan& plan);
std::string FormatCodeList();
// Every case, or only the one the request asked for.
std::string FormatJson(const Explanation& explanation);
// FILE as given, `shownFile`, is the result's location, so that a relative path
// stays relative to where the tool was run (the repository, in CI).
std::string FormatSarif(const Explanation& explanation, const std::wstring& shownFile);

// What the machine forms say when nothing could be checked, so that a CI job
// that reads only standard output sees the failure too.
std::string FormatJsonFailure(const std::string& message);
std::string FormatSarifFailure(const std::string& message);

// FILE as a URI reference: separators as '/', a relative path kept relative,
// an absolute one as a file: URI, and everything but unreserved characters
// percent-encoded.
std::string UriReference(const std::wstring& path);
