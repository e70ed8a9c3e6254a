#pragma once

// The facts of the viewer's run records, gathered on Windows, and the records
// reported (tools/trace/run_records.h makes them).

#include <windows.h>

#include <optional>
#include <string>

#include "tools/trace/log_file_win32.h"
#include "tools/trace/run_records.h"

// What the after-run records need of the time before the run: the working
// folder, and the Perinax.ini it held then (none when it held none).
struct RunPlace {
  std::wstring folder;
  std::optional<std::string> iniBytes;
};

// Reports the records before the run: `process` is the started program, still
// held by the debugger before its first instruction, or null when it could
// not be started.
RunPlace ReportBeforeRun(LogFile& log, const wchar_t* commandLine, HANDLE process);

// Reports the records after the run, when the trace is Perinax's.
void ReportAfterRun(LogFile& log, const RunPlace& place, const RunWatch& watch);
