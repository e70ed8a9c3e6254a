#include "tools/trace/log_record.h"

#include <cstdio>

#include "tools/trace/safe_text.h"

namespace {

std::string Printed(const char* format, auto... values) {
  char buffer[128];
  const int length = std::snprintf(buffer, sizeof(buffer), format, values...);
  return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

const char* ComponentOf(LogSource source) {
  switch (source) {
    case LogSource::kViewer:
      return "PerinaxTrace";
    case LogSource::kSelfTest:
      return "PerinaxSelfTest";
    case LogSource::kProgram:
      break;
  }
  return "Perinax";
}

std::string TraceLogRecord(const LogEntry& entry) {
  const std::string text = SafeText(entry.text, TextUse::kTraceLog);
  const LogTime& t = entry.when.local;
  return "<![LOG[" + text + "]LOG]!>" +
         Printed("<time=\"%02d:%02d:%02d.%03d%+04d\" date=\"%02d-%02d-%04d\" ", t.hour, t.minute,
                 t.second, t.millisecond, entry.when.biasMinutes, t.month, t.day, t.year) +
         "component=\"" + ComponentOf(entry.source) + "\" context=\"\"" +
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
  return line + SafeText(entry.text, TextUse::kTextLog) + "\r\n";
}

}  // namespace

std::string FormatLogEntry(LogFormat format, const LogEntry& entry) {
  return format == LogFormat::kTraceLog ? TraceLogRecord(entry) : TextLine(entry);
}

std::string_view LogFileStart(LogFormat format) {
  return format == LogFormat::kTraceLog ? "\xEF\xBB\xBF" : "";
}

std::string_view BeforeNextRecord(LogFormat format, std::string_view lastByte) {
  if (lastByte.empty()) return LogFileStart(format);
  return lastByte.back() == '\n' ? "" : "\r\n";
}
