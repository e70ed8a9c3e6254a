// perinax-trace: runs a program under the Win32 debugging API and prints every
// line it sends to the debugger output, one line per OutputDebugString call, on
// standard output (UTF-8 into a file or pipe, UTF-16 into a console). Exits
// with the program's exit code, which it also reports on standard error. Its
// options are in tools/trace/options.h; what it makes of the trace (severities,
// the lines it adds) in tools/trace/rules.h; the log's forms in tools/trace/log_record.h.
//
//   perinax-trace.exe --log C:\Windows\Logs\Software\Contoso.log Perinax.exe /quiet
//
// The rest of the command line after the viewer's own name and options is
// handed to CreateProcessW as it stands, so the program sees exactly that
// command line.
//
// It is a GUI-subsystem program: started without a console, as deployment tools
// start programs, it opens no window; it writes to the standard handles it was
// given, and to none when it was given none.

#include <windows.h>

#include <string>
#include <utility>

#include "common/command_line.h"
#include "common/dll_fence_win32.h"
#include "common/handle_win32.h"
#include "perinax_version.h"
#include "tools/common/version_banner.h"
#include "tools/trace/debug_loop_win32.h"
#include "tools/trace/log_file_win32.h"
#include "tools/trace/options.h"
#include "tools/trace/run_facts_win32.h"

namespace {

// The viewer's own failures, apart from any code the program may end with.
constexpr int kUsageExitCode = 2;

// The program's name, the first word of the command line, without its quotes.
std::wstring ProgramName(const wchar_t* commandLine) {
  std::wstring name(commandLine, ArgumentText(commandLine));
  while (!name.empty() && (name.back() == L' ' || name.back() == L'\t')) name.pop_back();
  std::erase(name, L'"');
  return name;
}

}  // namespace

int wmain() {
  // Like Perinax.exe, the viewer is started from the media folder, beside files
  // anyone may have put there: no DLL of theirs is loaded into it.
  static_cast<void>(FenceDllSearchPath());
  const TraceOptions options = ParseTraceOptions(ArgumentText(GetCommandLineW()));
  switch (options.action) {
    case TraceOptions::Action::kHelp:
      Output(STD_OUTPUT_HANDLE).WriteLine(kTraceUsage);
      return 0;
    case TraceOptions::Action::kVersion:
      Output(STD_OUTPUT_HANDLE).WriteLine(VersionBanner(kViewerName));
      return 0;
    case TraceOptions::Action::kUsageError:
      WriteError(options.error);
      Output(STD_ERROR_HANDLE).WriteLine(kTraceUsage);
      return kUsageExitCode;
    case TraceOptions::Action::kRun:
      break;
  }
  const std::wstring program = ProgramName(options.program);
  LogFile log;
  if (!options.logPath.empty()) static_cast<void>(log.Open(options.logPath, options.logFormat));
  const FileHandle dllLog(options.dllLogPath.empty()
                              ? INVALID_HANDLE_VALUE
                              : CreateFileW(options.dllLogPath.c_str(), GENERIC_WRITE,
                                            FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
  // CreateProcessW may write into its command line, so it gets a copy.
  std::wstring mutableLine(options.program);

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  const bool started =
      CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                     nullptr, nullptr, &startup, &info) != FALSE;
  const DWORD startError = started ? ERROR_SUCCESS : GetLastError();
  // The program waits for the debugger before its first instruction, so these
  // records still come before anything it does.
  const RunPlace place = ReportBeforeRun(log, options.program, started ? info.hProcess : nullptr);
  if (!started) {
    Report(log,
           {Severity::kError, L"cannot start " + program + L": " + SystemErrorText(startError)});
    return kStartFailedExitCode;
  }
  Output out(STD_OUTPUT_HANDLE);
  RunWatch watch;
  const KernelHandle thread(info.hThread), process(info.hProcess);
  const DWORD exitCode = DebugUntilExit({out, log, dllLog.get()}, watch);
  ReportAfterRun(log, place, watch);
  // A Unix shell sees only the low byte of the exit code under Wine, so the
  // whole code is also reported, apart from the trace.
  Report(log, ExitCodeLine(exitCode));
  return static_cast<int>(exitCode);
}
