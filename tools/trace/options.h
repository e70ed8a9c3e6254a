#pragma once

// The trace viewer's command line: its own options, then the command line of
// the program it runs, which it hands on exactly as written.

#include <string>

#include "tools/trace/log_record.h"

struct TraceOptions {
  enum class Action { kRun, kHelp, kVersion, kUsageError };

  Action action = Action::kRun;
  std::wstring error;  // kUsageError: what is wrong, "unknown option --bogus"
  std::wstring logPath;
  LogFormat logFormat = LogFormat::kTraceLog;
  std::wstring dllLogPath;
  const wchar_t* program = nullptr;  // kRun: the rest of the command line, as written
};

// Reads the options from the viewer's argument text (its command line less its
// own name). Options come first, each word starting with "--"; a value may be
// quoted. The first other word starts the program's command line.
TraceOptions ParseTraceOptions(const wchar_t* argumentText);

inline constexpr wchar_t kTraceUsage[] =
    L"usage: perinax-trace.exe [--log FILE] [--log-format cmtrace|text] [--dlls FILE]\n"
    L"                         PROGRAM [ARGUMENTS...]\n"
    L"Runs PROGRAM (Perinax.exe) with ARGUMENTS, prints each line it sends to the debugger\n"
    L"output on standard output, and exits with PROGRAM's exit code.\n"
    L"  --log FILE         also appends each line to FILE, and the exit code at the end:\n"
    L"                     for unattended runs\n"
    L"  --log-format FORM  cmtrace (the default): the Configuration Manager trace-log form,\n"
    L"                     for CMTrace, OneTrace and Support Center; text: plain lines\n"
    L"  --dlls FILE        writes the path of every DLL that PROGRAM loads to FILE\n"
    L"  --help             prints this and exits\n"
    L"  --version          prints the version and exits";
