#include "tools/trace/log_record.h"

#include <cstdio>

namespace {

constexpr std::string_view kRecordEndMarker = "]LOG]!>";

std::string Printed(const char* format, auto... values) {
  char buffer[128];
  const int length = std::snprintf(buffer, sizeof(buffer), format, values...);
  return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

// The text on one line: control characters become blanks.
void AppendOneLine(std::string& out, std::string_view text) {
  for (const char c : text) out.push_back(static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
}

std::string TraceLogRecord(const LogEntry& entry) {
  std::string text;
  AppendOneLine(text, entry.text);
  for (std::size_t at = text.find(kRecordEndMarker); at != std::string::npos;
       at = text.find(kRecordEndMarker, at)) {
    text.replace(at + kRecordEndMarker.size() - 1, 1, "&gt;");
  }
  const LogTime& t = entry.when.local;
  return "<![LOG[" + text + "]LOG]!>" +
         Printed("<time=\"%02d:%02d:%02d.%03d%+04d\" date=\"%02d-%02d-%04d\" ", t.hour, t.minute,
                 t.second, t.millisecond, entry.when.biasMinutes, t.month, t.day, t.year) +
         "component=\"" + (entry.source == LogSource::kViewer ? "PerinaxTrace" : "Perinax") +
         "\" context=\"\"" +
         Printed(" type=\"%d\" thread=\"%lu\" file=\"\">\r\n", static_cast<int>(entry.severity),
                 entry.threadId);
}

std::string TextLine(const LogEntry& entry) {
  const LogTime& t = entry.when.utc;
  std::string line = Printed("%04d-%02d-%02dT%02d:%02d:%02d.%03dZ [%lu] ", t.year, t.month, t.day,
                             t.hour, t.minute, t.second, t.millisecond, entry.processId);
  if (entry.source == LogSource::kViewer) {
    for (const wchar_t* mark = kViewerMark; *mark != L'\0'; ++mark) line.push_back(char(*mark));
  }
  AppendOneLine(line, entry.text);
  return line + "\r\n";
}

}  // namespace

std::string FormatLogEntry(LogFormat format, const LogEntry& entry) {
  return format == LogFormat::kTraceLog ? TraceLogRecord(entry) : TextLine(entry);
}

std::string_view LogFileStart(LogFormat format) {
  return format == LogFormat::kTraceLog ? "\xEF\xBB\xBF" : "";
}
