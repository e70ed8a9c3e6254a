#pragma once

// One run of a program under the debugging API, as the trace viewer follows it
// (tools/trace/debug_loop_win32.h), from a folder, with what it traced, the DLLs it loaded and
// every window it showed; a run that shows a window for a second or outlasts its time is ended.

#include <windows.h>

#include <string>
#include <vector>

struct TracedRun {
  bool started = false;
  DWORD exitCode = 0;
  std::vector<std::wstring> lines;
  std::vector<bool> ansi;  // the line came through the ANSI code page
  std::vector<std::wstring> dlls;
  std::vector<std::wstring> windows;  // the visible windows of the program, "class: title"
  bool ended = false;                 // ended by the self-test: a window stayed, or time ran out
};

TracedRun RunTraced(const std::wstring& program, const std::wstring& args,
                    const std::wstring& folder, DWORD timeoutMs = 60000);

// The text as it comes back from a trip through the ANSI code page.
std::wstring ThroughAnsi(const std::wstring& text);
