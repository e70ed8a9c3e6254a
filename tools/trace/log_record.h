#pragma once

// The records of the trace viewer's log file (--log). The trace-log form is the
// one the Configuration Manager client writes and CMTrace, OneTrace and Support
// Center read: one record a line, coloured by its type and filtered by its
// component. The text form is the older plain one, a time stamp in UTC and the
// id of the process that sent the line.

#include <string>
#include <string_view>

enum class LogFormat { kTraceLog, kText };

// The record's type in the trace-log form: what colour the readers give it.
enum class Severity { kInformation = 1, kWarning = 2, kError = 3 };

struct LogTime {
  int year, month, day, hour, minute, second, millisecond;
};

// When a line arrived: the moment in UTC and in local time, and the time-zone
// bias between them in minutes as Windows gives it (UTC = local time + bias).
struct LogMoment {
  LogTime utc;
  LogTime local;
  int biasMinutes;
};

// A line of the program the viewer runs, one of the viewer's own, or a result of the release's
// self-test, which writes its log with the same records.
enum class LogSource { kProgram, kViewer, kSelfTest };

struct LogEntry {
  LogMoment when;
  LogSource source;
  Severity severity;
  unsigned long processId;
  unsigned long threadId;
  std::string_view text;  // UTF-8, as the line was sent
};

// The viewer's own lines carry this mark on standard output and in the text
// form; the trace-log form names them by their component instead.
inline constexpr wchar_t kViewerName[] = L"perinax-trace";
inline constexpr wchar_t kViewerMark[] = L"perinax-trace: ";

// One record and its CR LF line end. In the trace-log form:
//   <![LOG[TEXT]LOG]!><time="HH:mm:ss.fff+BIAS" date="MM-dd-yyyy"
//   component="Perinax" context="" type="1" thread="ID" file="">
// with local time, the bias signed and at least three digits wide, component
// PerinaxTrace for the viewer's lines, PerinaxSelfTest for the self-test's. In the text form:
//   2026-12-07T12:13:14.123Z [PROCESS-ID] TEXT
// TEXT is the line as SafeText (tools/trace/safe_text.h) makes it for the form: in both, a
// control character (a line end, a tab) becomes a blank, so that a record stays one line. In the
// trace-log form, "<![LOG[" in TEXT is written "&lt;![LOG[" and "]LOG]!>" is written
// "]LOG]!&gt;", so that each line holds exactly one record start and one record end, and TEXT
// ends only at the real "]LOG]!>": an attribute block inside TEXT is text, nothing more. Other
// "<" and ">" stay. In the text form, a program's line that begins with the viewer's mark gets
// "| " in front.
std::string FormatLogEntry(LogFormat format, const LogEntry& entry);

// What an empty log file begins with: the UTF-8 mark for the trace-log form,
// by which its readers know the encoding.
std::string_view LogFileStart(LogFormat format);

// What goes into the log before the next record, given the file's last byte (empty for an empty
// file): the file's start in an empty file, CR LF after a record that was cut before its line end
// (a run that ended mid-write, a full disk), so that no record continues another's line.
std::string_view BeforeNextRecord(LogFormat format, std::string_view lastByte);
