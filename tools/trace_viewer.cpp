// perinax-trace: runs a program under the Win32 debugging API and prints every
// line it sends to the debugger output, one line per OutputDebugString call, on
// standard output (UTF-8 into a file or pipe, UTF-16 into a console). Exits
// with the program's exit code, which it also reports on standard error. Its
// options are in tools/trace_options.h; what it makes of the trace (severities,
// the lines it adds) in tools/trace_rules.h; the log's forms in tools/trace_log.h.
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

#include <cwchar>
#include <string>
#include <utility>

#include "app/command_line.h"
#include "common/dll_fence_win32.h"
#include "perinax_version.h"
#include "tools/trace_breakpoint.h"
#include "tools/trace_log.h"
#include "tools/trace_options.h"
#include "tools/trace_rules.h"

namespace {

// The viewer's own failures, apart from any code the program may end with.
constexpr int kUsageExitCode = 2;
constexpr int kStartFailedExitCode = 127;

// Longest debug string copied out of the program; a longer one is cut.
constexpr DWORD kMaxDebugStringBytes = 1 << 16;

std::string Utf8(const std::wstring& text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes,
                      nullptr, nullptr);
  return utf8;
}

// Writes the bytes whole; false when the file took fewer.
bool WriteBytes(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// Writes the text as UTF-8 to a file or pipe.
void WriteUtf8(HANDLE file, const std::wstring& text) {
  static_cast<void>(WriteBytes(file, Utf8(text)));
}

// A standard stream that takes whole lines: UTF-16 into a console, UTF-8 into a
// file or pipe.
class Output {
 public:
  explicit Output(DWORD stream) : handle_(GetStdHandle(stream)) {
    DWORD mode = 0;
    console_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE &&
               GetConsoleMode(handle_, &mode) != FALSE;
  }

  void WriteLine(std::wstring line) {
    line.push_back(L'\n');
    if (console_) {
      DWORD written = 0;
      WriteConsoleW(handle_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      return;
    }
    WriteUtf8(handle_, line);
  }

 private:
  HANDLE handle_;
  bool console_ = false;
};

void WriteError(const std::wstring& text) {
  Output(STD_ERROR_HANDLE).WriteLine(kViewerMark + text);
}

// The system's text for an error code, with the code: "Access is denied. (error 5)".
std::wstring SystemErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer != nullptr ? buffer : L"", buffer != nullptr ? length : 0);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  if (text.empty()) text = L"Unknown error.";
  return text + L" (error " + std::to_wstring(error) + L")";
}

// The moment a line arrived, in UTC and in local time. The bias is taken
// from the two, so that it is the one in force at that moment.
LogMoment Now() {
  SYSTEMTIME utc{};
  GetSystemTime(&utc);
  SYSTEMTIME local = utc;
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  const auto minutes = [](const SYSTEMTIME& time) {
    FILETIME file{};
    SystemTimeToFileTime(&time, &file);
    const ULONGLONG ticks = (ULONGLONG{file.dwHighDateTime} << 32) | file.dwLowDateTime;
    return static_cast<long long>(ticks / 600000000ULL);  // 100 ns ticks a minute
  };
  const auto fields = [](const SYSTEMTIME& t) {
    return LogTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
  };
  return {fields(utc), fields(local), static_cast<int>(minutes(utc) - minutes(local))};
}

// The log file of --log, appended to. One that cannot be opened or written is
// reported once on standard error and otherwise passed over: the run matters
// more than its record.
class LogFile {
 public:
  LogFile() = default;
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;
  ~LogFile() { Close(); }

  [[nodiscard]] bool Open(const std::wstring& path, LogFormat format) {
    path_ = path;
    format_ = format;
    // Appends are atomic, so runs that share one log never mix within a line.
    file_ = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      WriteError(L"cannot open the log " + path + L": " + SystemErrorText(error) +
                 L"; running without it");
      return false;
    }
    // The file's start only in a file this run made, never inside one that
    // other runs have written to.
    if (GetLastError() != ERROR_ALREADY_EXISTS) Write(std::string(LogFileStart(format)));
    return file_ != INVALID_HANDLE_VALUE;
  }

  void Write(Severity severity, LogSource source, DWORD processId, DWORD threadId,
             const std::wstring& text) {
    if (file_ == INVALID_HANDLE_VALUE) return;
    const std::string utf8 = Utf8(text);
    Write(FormatLogEntry(format_, {Now(), source, severity, processId, threadId, utf8}));
  }

 private:
  void Write(const std::string& bytes) {
    if (bytes.empty() || WriteBytes(file_, bytes)) return;
    const DWORD error = GetLastError();
    WriteError(L"cannot write the log " + path_ + L": " + SystemErrorText(error) +
               L"; going on without it");
    Close();
  }

  void Close() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }

  std::wstring path_;
  LogFormat format_ = LogFormat::kTraceLog;
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

// Where each line of the run goes.
struct Sinks {
  Output& out;
  LogFile& log;
  HANDLE dllLog;
};

// The viewer's own line in the log.
void LogOwn(LogFile& log, const ViewerLine& line) {
  log.Write(line.severity, LogSource::kViewer, GetCurrentProcessId(), GetCurrentThreadId(),
            line.text);
}

// The viewer's own line about itself or the run's end, on standard error and in the log.
void Report(LogFile& log, const ViewerLine& line) {
  WriteError(line.text);
  LogOwn(log, line);
}

// A line the viewer adds to the trace, on standard output (marked as its own) and in the log.
void AddToTrace(const Sinks& sinks, const ViewerLine& line) {
  sinks.out.WriteLine(kViewerMark + line.text);
  LogOwn(sinks.log, line);
}

// Copies one debug string out of the debugged program. The string arrives as
// UTF-16 or, as Wine and older Windows deliver it, in the ANSI code page.
std::wstring ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  const DWORD charSize = info.fUnicode ? sizeof(wchar_t) : 1;
  DWORD bytes = static_cast<DWORD>(info.nDebugStringLength) * charSize;
  if (bytes > kMaxDebugStringBytes) bytes = kMaxDebugStringBytes;
  std::string raw(bytes, '\0');
  SIZE_T read = 0;
  if (bytes == 0 || !ReadProcessMemory(process, info.lpDebugStringData, raw.data(), bytes, &read)) {
    return {};
  }
  raw.resize(read);

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
  // The terminator and any line end belong to the string, not to the line.
  const std::size_t end = text.find(L'\0');
  if (end != std::wstring::npos) text.resize(end);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
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

void CloseIfValid(HANDLE handle) {
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
}

using WaitForDebugEventFn = BOOL(WINAPI*)(DEBUG_EVENT*, DWORD);

// WaitForDebugEventEx (Windows 10 and later) hands over what the program sent
// with OutputDebugStringW as UTF-16; WaitForDebugEvent only in the ANSI code
// page, which loses every character outside it.
WaitForDebugEventFn DebugEventWaiter() {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const FARPROC proc = kernel != nullptr ? GetProcAddress(kernel, "WaitForDebugEventEx") : nullptr;
  return proc != nullptr ? reinterpret_cast<WaitForDebugEventFn>(reinterpret_cast<void*>(proc))
                         : &WaitForDebugEvent;
}

// The program's name, the first word of the command line, without its quotes.
std::wstring ProgramName(const wchar_t* commandLine) {
  std::wstring name(commandLine, ArgumentText(commandLine));
  while (!name.empty() && (name.back() == L' ' || name.back() == L'\t')) name.pop_back();
  std::erase(name, L'"');
  return name;
}

// Runs the debug loop until the program ends; returns its exit code.
DWORD DebugUntilExit(const Sinks& sinks) {
  const WaitForDebugEventFn waitForDebugEvent = DebugEventWaiter();
  HANDLE process = nullptr;
  InitialBreakpoints initialBreakpoints;
  UnsaidLines unsaid;
  for (;;) {
    DEBUG_EVENT event{};
    if (!waitForDebugEvent(&event, INFINITE)) {
      const DWORD error = GetLastError();
      Report(sinks.log, {Severity::kError, L"WaitForDebugEvent failed: " + SystemErrorText(error)});
      return kStartFailedExitCode;
    }
    DWORD status = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        // The process and thread handles are the system's: it closes them
        // after the exit event. The file handle is ours.
        process = event.u.CreateProcessInfo.hProcess;
        CloseIfValid(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (sinks.dllLog != INVALID_HANDLE_VALUE)
          WriteUtf8(sinks.dllLog, DllPath(event.u.LoadDll.hFile) + L"\n");
        CloseIfValid(event.u.LoadDll.hFile);
        break;
      case OUTPUT_DEBUG_STRING_EVENT: {
        const std::wstring line = ReadDebugString(process, event.u.DebugString);
        for (const ViewerLine& added : unsaid.Before(line)) AddToTrace(sinks, added);
        sinks.out.WriteLine(line);
        sinks.log.Write(SeverityOfTraceLine(line), LogSource::kProgram, event.dwProcessId,
                        event.dwThreadId, line);
        break;
      }
      case EXCEPTION_DEBUG_EVENT:
        if (!initialBreakpoints.IsLoaders(event.u.Exception.ExceptionRecord.ExceptionCode))
          status = DBG_EXCEPTION_NOT_HANDLED;
        break;
      case EXIT_PROCESS_DEBUG_EVENT: {
        const DWORD exitCode = event.u.ExitProcess.dwExitCode;
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
        for (const ViewerLine& added : unsaid.AtEnd()) AddToTrace(sinks, added);
        return exitCode;
      }
      default:
        break;
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  }
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
      Output(STD_OUTPUT_HANDLE).WriteLine(L"perinax-trace " PERINAX_VERSION_TEXT);
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
  if (!options.logPath.empty() && log.Open(options.logPath, options.logFormat)) {
    LogOwn(log, {Severity::kInformation, std::wstring(L"running ") + options.program});
  }
  const HANDLE dllLog =
      options.dllLogPath.empty()
          ? INVALID_HANDLE_VALUE
          : CreateFileW(options.dllLogPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  // CreateProcessW may write into its command line, so it gets a copy.
  std::wstring mutableLine(options.program);

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                      nullptr, nullptr, &startup, &info)) {
    const DWORD error = GetLastError();
    Report(log, {Severity::kError, L"cannot start " + program + L": " + SystemErrorText(error)});
    CloseIfValid(dllLog);
    return kStartFailedExitCode;
  }
  Output out(STD_OUTPUT_HANDLE);
  const DWORD exitCode = DebugUntilExit({out, log, dllLog});
  CloseIfValid(dllLog);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  // A Unix shell sees only the low byte of the exit code under Wine, so the
  // whole code is also reported, apart from the trace.
  Report(log, ExitCodeLine(exitCode));
  return static_cast<int>(exitCode);
}
