#pragma once

// The viewer's debugger loop: every line the program sends to the debugger
// output, and the DLLs it loads, until it ends.

#include <windows.h>

#include "tools/trace/log_file_win32.h"
#include "tools/trace/run_records.h"

// The viewer's exit code when it cannot start or follow the program.
inline constexpr int kStartFailedExitCode = 127;

// Runs the debug loop until the program ends, showing each trace line to
// `watch`; returns its exit code.
DWORD DebugUntilExit(const Sinks& sinks, RunWatch& watch);
