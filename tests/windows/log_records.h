#pragma once

// The trace viewer's log as its readers take it apart: a reader of the trace-log form (CMTrace,
// OneTrace) splits it on the record markers, so each line must hold exactly one record start, one
// record end and the attributes, end with CR LF and hold no CR or LF of its own.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "wine_support.h"

namespace wine {

struct LogRecord {
  std::wstring text, component, thread;
  int type, biasMinutes;
};

inline std::size_t CountOf(std::string_view text, std::string_view part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

// The records of the log's bytes from `at` on (past the UTF-8 mark by default); a line that is
// not one whole record fails the test.
inline std::vector<LogRecord> ParseLogRecords(const std::string& bytes, std::size_t at = 3) {
  // The attributes only: a record's text may be a million characters long, more than the
  // regular expression engine's recursion can take.
  static const std::regex attributes(
      R"re(<time="\d\d:[0-5]\d:[0-5]\d\.\d{3}([+-]\d{3})" )re"
      R"re(date="(?:0[1-9]|1[0-2])-(?:0[1-9]|[12]\d|3[01])-\d{4}" component="([A-Za-z0-9]+)" )re"
      R"re(context="" type="([123])" thread="(\d+)" file="">)re");
  constexpr std::string_view kStart = "<![LOG[", kEnd = "]LOG]!>";
  std::vector<LogRecord> records;
  for (std::size_t end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2) {
    const std::string_view line(bytes.data() + at, end - at);
    const std::size_t textEnd = line.find(kEnd);
    const std::string tail(textEnd == line.npos ? "" : line.substr(textEnd + kEnd.size()));
    std::smatch part;
    if (!line.starts_with(kStart) || CountOf(line, kStart) != 1 || CountOf(line, kEnd) != 1 ||
        line.find_first_of("\r\n") != line.npos || !std::regex_match(tail, part, attributes)) {
      ADD_FAILURE() << line.substr(0, 300);
      continue;
    }
    const std::string text(line.substr(kStart.size(), textEnd - kStart.size()));
    records.push_back(
        {Wide(text), Wide(part[2]), Wide(part[4]), std::stoi(part[3]), std::stoi(part[1])});
  }
  EXPECT_EQ(at, bytes.size()) << "a last line without its line end";
  return records;
}

}  // namespace wine
