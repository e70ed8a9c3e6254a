#pragma once

// perinax-explain's output forms, each from the one explanation: the table
// with the findings and one case's trace (format_text.cpp), JSON
// (format_json.cpp), SARIF for code scanning (format_sarif.cpp), the line
// forms CI logs read (format_lines.cpp) and the report files CI systems read
// (format_reports.cpp). The command line picks them through the table of forms
// (output_forms.h).

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "tools/explain/engine/explanation.h"

std::string FormatTable(const Explanation& explanation);
// The reported findings as "FILE:LINE: LEVEL: TEXT [CODE]", the left-out ones
// as a note, then the count.
std::string FormatWarnings(const Explanation& explanation, const std::wstring& shownFile);
// The findings alone, without the count (for one file of several).
std::string FormatFindingLines(const Explanation& explanation, const std::wstring& shownFile);
// The case's trace, each line after "| ", so that no line of it begins with
// what the file chose (a CI log takes "::" at a line's start for a command).
std::string FormatCaseTrace(const CasePlan& plan);
std::string FormatCodeList();
// "2 errors, 1 warning" of the counts by level, or "no findings".
std::string LevelCounts(const std::array<std::size_t, 3>& byLevel);
// Every case, or only the one the request asked for, and the reported findings.
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
std::string UriReference(const std::string& utf8Path);

// Each finding's fingerprint, in the explanation's order: from the file's path,
// the code and what the finding is about (section and key), never its line,
// so that moving lines keeps it; a second finding of all three gets its
// ordinal. SARIF's fingerprints, GitLab's, and what a baseline is matched by.
std::vector<std::string> Fingerprints(const Explanation& explanation, const std::string& path);

// Text for a line of a CI log: VisibleText, one line.
std::string LineText(const std::wstring& text);
// A path at a line's start: LineText, with "./" before one that begins with
// what a CI log could take for its own (':', '#', '-' or a blank).
std::string LinePath(const std::string& path);
// Text inside XML, in an attribute or an element: the five entities, and
// characters XML cannot hold (U+FFFE, U+FFFF) as U+FFFD.
std::string XmlText(const std::string& utf8);
