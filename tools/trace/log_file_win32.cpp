#include "tools/trace/log_file_win32.h"

#include "tools/trace/safe_text.h"

// The bias is taken from the two times, so that it is the one in force at
// that moment.
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

std::wstring ScreenText(const std::wstring& text) {
  return FromUtf8(SafeText(Utf8(text), TextUse::kScreen));
}

void WriteError(const std::wstring& text) {
  Output(STD_ERROR_HANDLE).WriteLine(kViewerMark + ScreenText(text));
}

bool LogFile::Open(const std::wstring& path, LogFormat format) {
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

void LogFile::Write(Severity severity, LogSource source, DWORD processId, DWORD threadId,
                    const std::wstring& text) {
  if (file_ == INVALID_HANDLE_VALUE) return;
  const std::string utf8 = Utf8(text);
  Write(FormatLogEntry(format_, {Now(), source, severity, processId, threadId, utf8}));
}

void LogFile::Write(const std::string& bytes) {
  if (bytes.empty() || WriteBytes(file_, bytes)) return;
  const DWORD error = GetLastError();
  WriteError(L"cannot write the log " + path_ + L": " + SystemErrorText(error) +
             L"; going on without it");
  Close();
}

void LogFile::Close() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

void LogOwn(LogFile& log, const ViewerLine& line) {
  log.Write(line.severity, LogSource::kViewer, GetCurrentProcessId(), GetCurrentThreadId(),
            line.text);
}

void Report(LogFile& log, const ViewerLine& line) {
  WriteError(line.text);
  LogOwn(log, line);
}

void AddToTrace(const Sinks& sinks, const ViewerLine& line) {
  sinks.out.WriteLine(kViewerMark + ScreenText(line.text));
  LogOwn(sinks.log, line);
}
