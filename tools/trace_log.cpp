#include "tools/trace_log.h"

#include <cstdio>

std::string FormatLogLine(const LogTime& time, unsigned long processId, std::string_view text) {
  char prefix[64];
  const int length = std::snprintf(
      prefix, sizeof(prefix), "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ [%lu] ", time.year, time.month,
      time.day, time.hour, time.minute, time.second, time.millisecond, processId);
  std::string line(prefix, length > 0 ? static_cast<std::size_t>(length) : 0);
  for (const char c : text) line.push_back(static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
  line += "\r\n";
  return line;
}
