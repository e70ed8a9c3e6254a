#include "tools/trace/debug_loop_win32.h"

#include <string>

#include "common/handle_win32.h"
#include "tools/common/tool_functions_win32.h"
#include "tools/trace/breakpoint.h"
#include "tools/trace/debug_string.h"

namespace {

// Copies one debug string out of the debugged program, up to its terminator (its length in
// the event is only 16 bits wide). The string arrives as UTF-16 or, as Wine and older Windows
// deliver it, in the ANSI code page.
std::wstring ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  const ReadMemory read = [process](std::uint64_t address, void* buffer, std::size_t size) {
    SIZE_T copied = 0;
    // The address is the program's, handed over as a number: a pointer only for this call.
    return ReadProcessMemory(
               process,
               // NOLINTNEXTLINE(performance-no-int-to-ptr): an address in another process
               reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address)), buffer, size,
               &copied) != FALSE &&
           copied == size;
  };
  const DebugStringBytes string =
      ReadTerminatedString(reinterpret_cast<std::uintptr_t>(info.lpDebugStringData),
                           info.fUnicode ? sizeof(wchar_t) : 1, read);
  const std::string& raw = string.bytes;
  std::wstring text;
  if (info.fUnicode) {
    text.assign(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / sizeof(wchar_t));
  } else if (!raw.empty()) {
    const int chars =
        MultiByteToWideChar(CP_ACP, 0, raw.data(), static_cast<int>(raw.size()), nullptr, 0);
    if (chars > 0) {
      text.resize(static_cast<std::size_t>(chars));
      MultiByteToWideChar(CP_ACP, 0, raw.data(), static_cast<int>(raw.size()), text.data(), chars);
    }
  }
  // A line end at its end belongs to the string, not to the line.
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
  if (string.cut) text += kDebugStringCutMark;
  return text;
}

// The full path of a loaded DLL, from the file handle the debug event carries.
std::wstring DllPath(HANDLE file) {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length =
      GetFinalPathNameByHandleW(file, path, MAX_PATH * 4, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length == 0 || length >= MAX_PATH * 4) return L"?";
  std::wstring text(path, length);
  // The \\?\ form names the same file as the plain one.
  if (text.rfind(L"\\\\?\\", 0) == 0) text.erase(0, 4);
  return text;
}

using WaitForDebugEventFn = BOOL(WINAPI*)(DEBUG_EVENT*, DWORD);

// WaitForDebugEventEx where Windows has it (the UTF-16 of what the program
// sent), else WaitForDebugEvent.
WaitForDebugEventFn DebugEventWaiter() {
  const WaitForDebugEventFn ex = Tools().WaitForDebugEventEx;
  return ex != nullptr ? ex : &WaitForDebugEvent;
}

}  // namespace

DWORD FollowDebuggee(const DebuggeeEvents& events, DWORD* failure) {
  const WaitForDebugEventFn waitForDebugEvent = DebugEventWaiter();
  HANDLE process = nullptr;
  InitialBreakpoints initialBreakpoints;
  for (;;) {
    DEBUG_EVENT event{};
    if (!waitForDebugEvent(&event, INFINITE)) {
      *failure = GetLastError();
      return kStartFailedExitCode;
    }
    DWORD status = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT: {
        // The process and thread handles are the system's: it closes them
        // after the exit event. The file handle is ours.
        process = event.u.CreateProcessInfo.hProcess;
        const KernelHandle file(event.u.CreateProcessInfo.hFile);
        break;
      }
      case LOAD_DLL_DEBUG_EVENT: {
        const KernelHandle file(event.u.LoadDll.hFile);
        if (events.dll) events.dll(DllPath(file.get()));
        break;
      }
      case OUTPUT_DEBUG_STRING_EVENT:
        events.line(ReadDebugString(process, event.u.DebugString),
                    event.u.DebugString.fUnicode != 0, event.dwProcessId, event.dwThreadId);
        break;
      case EXCEPTION_DEBUG_EVENT:
        if (!initialBreakpoints.IsLoaders(event.u.Exception.ExceptionRecord.ExceptionCode))
          status = DBG_EXCEPTION_NOT_HANDLED;
        break;
      case EXIT_PROCESS_DEBUG_EVENT: {
        const DWORD exitCode = event.u.ExitProcess.dwExitCode;
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
        return exitCode;
      }
      default:
        break;
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  }
}

DWORD DebugUntilExit(const Sinks& sinks, RunWatch& watch) {
  UnsaidLines unsaid;
  DebuggeeEvents events;
  events.line = [&](const std::wstring& line, bool, DWORD processId, DWORD threadId) {
    watch.See(line);
    for (const ViewerLine& added : unsaid.Before(line)) AddToTrace(sinks, added);
    sinks.out.WriteLine(ScreenText(line));
    sinks.log.Write(SeverityOfTraceLine(line), LogSource::kProgram, processId, threadId, line);
  };
  if (sinks.dllLog != INVALID_HANDLE_VALUE) {
    events.dll = [&](const std::wstring& path) {
      static_cast<void>(WriteBytes(sinks.dllLog, Utf8FromUtf16(path + L"\n")));
    };
  }
  DWORD failure = ERROR_SUCCESS;
  const DWORD exitCode = FollowDebuggee(events, &failure);
  if (failure != ERROR_SUCCESS) {
    Report(sinks.log, {Severity::kError, L"WaitForDebugEvent failed: " + SystemErrorText(failure)});
    return exitCode;
  }
  for (const ViewerLine& added : unsaid.AtEnd()) AddToTrace(sinks, added);
  return exitCode;
}
