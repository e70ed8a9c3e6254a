#include "tools/trace/log_file_win32.h"

#include "tools/trace/log_folders.h"
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
  return Utf16FromUtf8(SafeText(Utf8FromUtf16(text), TextUse::kScreen));
}

void WriteError(const std::wstring& text) {
  Output(STD_ERROR_HANDLE).WriteLine(kViewerMark + ScreenText(text));
}

namespace {

// Every record is written under an exclusive lock of this one byte, far past the end of any log,
// so that runs sharing the log take turns (Wine's appends, and those to some shares, are not
// atomic) while a reader of the log, such as CMTrace following it, is never locked out.
constexpr DWORD kRecordLockOffsetHigh = 0x7FFFFFFF;

// Read access lets the viewer look at the log's last byte and lock it; a log that allows only
// appending is still written, without either.
HANDLE OpenForAppending(const std::wstring& path) {
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | FILE_APPEND_DATA, kShare, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_ACCESS_DENIED) return file;
  return CreateFileW(path.c_str(), FILE_APPEND_DATA, kShare, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

bool LogFile::Open(const std::wstring& path, LogFormat format) {
  path_ = path;
  format_ = format;
  file_ = FileHandle(OpenForAppending(path));
  if (!file_.valid() && GetLastError() == ERROR_PATH_NOT_FOUND) {
    // Folders that are there already, or that cannot be made, leave the open to say what is wrong.
    for (const std::wstring& folder : FoldersAbove(path)) CreateDirectoryW(folder.c_str(), nullptr);
    file_ = FileHandle(OpenForAppending(path));
  }
  if (!file_.valid()) {
    const DWORD error = GetLastError();
    WriteError(L"cannot open the log " + path + L": " + SystemErrorText(error) +
               L"; running without it");
    return false;
  }
  return true;
}

void LogFile::Write(Severity severity, LogSource source, DWORD processId, DWORD threadId,
                    const std::wstring& text) {
  if (!file_.valid()) return;
  const std::string utf8 = Utf8FromUtf16(text);
  Write(FormatLogEntry(format_, {Now(), source, severity, processId, threadId, utf8}));
}

void LogFile::Write(const std::string& record) {
  OVERLAPPED lock{};
  lock.OffsetHigh = kRecordLockOffsetHigh;
  const bool locked = LockFileEx(file_.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lock) != FALSE;
  // Looked at before every record, not just the first: another run may have been cut off
  // between two of ours.
  const DWORD error =
      WriteWhole(file_.get(), std::string(BeforeNextRecord(format_, LastByte())) + record);
  if (locked) UnlockFileEx(file_.get(), 0, 1, 0, &lock);
  if (error == ERROR_SUCCESS) return;
  WriteError(L"cannot write the log " + path_ + L": " + SystemErrorText(error) +
             L"; going on without it");
  Close();
}

// Empty for an empty log. When the byte cannot be read, the log is taken to end with its line end.
std::string LogFile::LastByte() {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file_.get(), &size)) return "\n";
  if (size.QuadPart == 0) return "";
  char last = '\n';
  DWORD read = 0;
  LARGE_INTEGER at{};
  at.QuadPart = size.QuadPart - 1;
  if (!SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN) ||
      !ReadFile(file_.get(), &last, 1, &read, nullptr) || read != 1) {
    return "\n";
  }
  return std::string(1, last);
}

void LogFile::Close() {
  file_ = FileHandle();
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
