#include "tools/trace_log.h"

#include <gtest/gtest.h>

TEST(TraceLogLine, StampsEachLineAndKeepsItOneLine) {
  struct Row {
    LogTime time;
    unsigned long pid;
    std::string_view text;
    std::string_view line;
  };
  const Row rows[] = {
      {{2026, 12, 7, 9, 5, 3, 7},
       1234,
       "Exit Code 3010",
       "2026-12-07T09:05:03.007Z [1234] Exit Code 3010\r\n"},
      {{2026, 1, 31, 23, 59, 59, 999},
       4294967295UL,
       "",
       "2026-01-31T23:59:59.999Z [4294967295] \r\n"},
      // A line end or tab inside one trace line must not start another log line.
      {{2000, 2, 29, 0, 0, 0, 0}, 8, "a\r\nb\tc", "2000-02-29T00:00:00.000Z [8] a  b c\r\n"},
      // UTF-8 passes untouched.
      {{2026, 6, 1, 12, 0, 0, 0},
       9,
       "Gr\xc3\xbc\xc3\x9f"
       "e",
       "2026-06-01T12:00:00.000Z [9] Gr\xc3\xbc\xc3\x9f"
       "e\r\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FormatLogLine(row.time, row.pid, row.text), row.line) << row.text;
  }
}
