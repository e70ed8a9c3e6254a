#include "tools/trace_log.h"

#include <gtest/gtest.h>

TEST(TraceLogLine, StampsEachLineAndKeepsItOneLine) {
  const std::tuple<LogTime, unsigned long, std::string_view, std::string_view> rows[] = {
      {{2026, 1, 31, 23, 59, 59, 999},
       4294967295UL,
       "",
       "2026-01-31T23:59:59.999Z [4294967295] \r\n"},
      // A line end or tab inside one trace line must not start another log line; UTF-8 passes.
      {{2000, 2, 29, 0, 0, 0, 0},
       8,
       "a\r\nb\tc\xc3\xbc",
       "2000-02-29T00:00:00.000Z [8] a  b c\xc3\xbc\r\n"},
  };
  for (const auto& [time, pid, text, line] : rows) EXPECT_EQ(FormatLogLine(time, pid, text), line);
}
