#pragma once

// The lines of the trace viewer's log file (--log): each trace line with the
// time it arrived and the id of the process that sent it, so that a log that
// several runs append to can be read after an unattended run.

#include <string>
#include <string_view>

// A moment in UTC, as the system clock gives it.
struct LogTime {
  int year, month, day, hour, minute, second, millisecond;
};

// "2026-12-07T12:13:14.123Z [1234] TEXT" and a CR LF line end. TEXT is UTF-8;
// a line end or other control character inside it becomes a blank, so that
// every line of the log is one trace line.
std::string FormatLogLine(const LogTime& time, unsigned long processId, std::string_view text);
