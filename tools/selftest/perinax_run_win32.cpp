#include "tools/selftest/perinax_run_win32.h"

#include <algorithm>

#include "common/handle_win32.h"
#include "tools/trace/debug_loop_win32.h"

namespace {

// What the watcher thread shares with the debugger's thread.
struct Watch {
  HANDLE process;
  DWORD processId;
  DWORD timeoutMs;
  HANDLE done;  // set when the program has ended
  std::vector<std::wstring> windows;
  bool ended = false;
};

std::wstring WindowName(HWND window) {
  wchar_t className[128] = L"", title[128] = L"";
  GetClassNameW(window, className, 128);
  GetWindowTextW(window, title, 128);
  return std::wstring(className) + L": " + title;
}

BOOL CALLBACK SeeWindow(HWND window, LPARAM param) {
  // EnumWindows hands back the pointer it was given, as a number.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  auto* watch = reinterpret_cast<Watch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != watch->processId || !IsWindowVisible(window)) return TRUE;
  const std::wstring name = WindowName(window);
  if (std::find(watch->windows.begin(), watch->windows.end(), name) == watch->windows.end())
    watch->windows.push_back(name);
  return TRUE;
}

// Looks for the program's windows every 50 ms; a window that is still there a second after it
// was first seen (an error box waits for a click that never comes) ends the run, as does the
// time running out.
DWORD WINAPI WatchWindows(void* param) {
  auto* watch = static_cast<Watch*>(param);
  const ULONGLONG start = GetTickCount64();
  ULONGLONG firstSeen = 0;
  while (WaitForSingleObject(watch->done, 50) == WAIT_TIMEOUT) {
    EnumWindows(&SeeWindow, reinterpret_cast<LPARAM>(watch));
    const ULONGLONG now = GetTickCount64();
    if (!watch->windows.empty() && firstSeen == 0) firstSeen = now;
    if ((firstSeen != 0 && now - firstSeen > 1000) || now - start > watch->timeoutMs) {
      watch->ended = true;
      TerminateProcess(watch->process, ERROR_TIMEOUT);
      return 0;
    }
  }
  return 0;
}

}  // namespace

TracedRun RunTraced(const std::wstring& program, const std::wstring& args,
                    const std::wstring& folder, DWORD timeoutMs) {
  TracedRun run;
  std::wstring commandLine = L"\"" + program + L"\"" + (args.empty() ? L"" : L" " + args);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      DEBUG_ONLY_THIS_PROCESS, nullptr, folder.c_str(), &startup, &info))
    return run;
  run.started = true;
  const KernelHandle process(info.hProcess), thread(info.hThread);
  const KernelHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Watch watch{process.get(), info.dwProcessId, timeoutMs, done.get(), {}, false};
  const KernelHandle watcher(CreateThread(nullptr, 0, &WatchWindows, &watch, 0, nullptr));

  DebuggeeEvents events;
  events.line = [&](const std::wstring& line, bool utf16, DWORD processId, DWORD) {
    if (processId != info.dwProcessId) return;
    run.lines.push_back(line);
    run.ansi.push_back(!utf16);
  };
  events.dll = [&](const std::wstring& path) { run.dlls.push_back(path); };
  DWORD failure = ERROR_SUCCESS;
  run.exitCode = FollowDebuggee(events, &failure);
  SetEvent(done.get());
  WaitForSingleObject(watcher.get(), INFINITE);
  run.windows = watch.windows;
  run.ended = watch.ended;
  return run;
}

std::wstring ThroughAnsi(const std::wstring& text) {
  if (text.empty()) return text;
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(std::max(bytes, 0)), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), bytes,
                      nullptr, nullptr);
  const int chars =
      MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(chars, 0)), L'\0');
  MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), wide.data(),
                      chars);
  return wide;
}
