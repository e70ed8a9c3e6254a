#pragma once

// The viewer's debugger loop: every line the program sends to the debugger
// output, and the DLLs it loads, until it ends.

#include <windows.h>

#include <functional>
#include <string>

#include "tools/trace/log_file_win32.h"
#include "tools/trace/run_records.h"

// The viewer's exit code when it cannot start or follow the program.
inline constexpr int kStartFailedExitCode = 127;

// What the loop hands on as the program runs: each debug string (and whether it came as UTF-16,
// or through the ANSI code page as Wine and Windows before 10 deliver it), each DLL's full path.
struct DebuggeeEvents {
  std::function<void(const std::wstring& line, bool utf16, DWORD processId, DWORD threadId)> line;
  std::function<void(const std::wstring& path)> dll;
};

// Follows the program this thread started with DEBUG_ONLY_THIS_PROCESS until it ends; returns
// its exit code, or kStartFailedExitCode when the events cannot be waited for (`failure` then
// holds the system's error).
DWORD FollowDebuggee(const DebuggeeEvents& events, DWORD* failure);

// Runs the debug loop until the program ends, showing each trace line to
// `watch`; returns its exit code.
DWORD DebugUntilExit(const Sinks& sinks, RunWatch& watch);
