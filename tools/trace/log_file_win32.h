#pragma once

// The viewer's log file (--log) and where each of its lines goes.

#include <windows.h>

#include <string>

#include "common/handle_win32.h"
#include "tools/common/output_win32.h"
#include "tools/trace/log_record.h"
#include "tools/trace/rules.h"

// The moment a line arrived, in UTC and in local time.
LogMoment Now();

// A line as standard output and error show it (tools/trace/safe_text.h): every control
// character visible, never the viewer's mark at its start.
std::wstring ScreenText(const std::wstring& text);

// One of the viewer's own lines about itself, on standard error.
void WriteError(const std::wstring& text);

// The log file of --log, appended to, its folders made when missing. One that
// cannot be opened or written is reported once on standard error and otherwise
// passed over: the run matters more than its record. Runs that share one log
// write their records one at a time, each on a line of its own.
class LogFile {
 public:
  LogFile() = default;

  [[nodiscard]] bool Open(const std::wstring& path, LogFormat format);
  void Write(Severity severity, LogSource source, DWORD processId, DWORD threadId,
             const std::wstring& text);

 private:
  void Write(const std::string& record);
  std::string LastByte();
  void Close();

  std::wstring path_;
  LogFormat format_ = LogFormat::kTraceLog;
  FileHandle file_;
};

// Where each line of the run goes.
struct Sinks {
  Output& out;
  LogFile& log;
  HANDLE dllLog;
};

// The viewer's own line in the log.
void LogOwn(LogFile& log, const ViewerLine& line);

// The viewer's own line about itself or the run's end, on standard error and in the log.
void Report(LogFile& log, const ViewerLine& line);

// A line the viewer adds to the trace, on standard output (marked as its own) and in the log.
void AddToTrace(const Sinks& sinks, const ViewerLine& line);
