#pragma once

#include <cstddef>

// A trace line is one whole line with no time stamp, level or line end.
class TraceSink {
 public:
  virtual void WriteLine(const wchar_t* line) = 0;

 protected:
  ~TraceSink() = default;
};

// Formatted lines are built in a buffer of this many characters; a longer line
// is cut to 259 characters.
inline constexpr std::size_t kTraceLineChars = 260;

void Trace(TraceSink& sink, const wchar_t* line);

// Formats one line and traces it. Understands %ls (wide text), %d (signed
// decimal), %x (lower-case hexadecimal) and %%; each directive takes one
// argument of type const wchar_t*, int or unsigned int respectively.
void TraceFormatted(TraceSink& sink, const wchar_t* format, ...);

// The formatter behind TraceFormatted, for callers that need the text itself.
// Writes at most capacity - 1 characters and always terminates (capacity > 0).
// Returns the number of characters written.
std::size_t FormatTraceLine(wchar_t* buffer, std::size_t capacity, const wchar_t* format, ...);
