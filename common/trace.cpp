#include "common/trace.h"

#include <cstdarg>
#include <cstdint>

namespace {

// Appends to a bounded buffer, dropping whatever does not fit so that the
// result is always terminated and never overruns.
class LineWriter {
 public:
  LineWriter(wchar_t* buffer, std::size_t capacity) : buffer_(buffer), limit_(capacity - 1) {}

  void Put(wchar_t c) {
    if (length_ < limit_) buffer_[length_++] = c;
  }
  void PutText(const wchar_t* text) {
    if (text == nullptr) return;
    while (*text != L'\0' && length_ < limit_) buffer_[length_++] = *text++;
  }
  // Digits of value in the given base, most significant first.
  void PutUnsigned(std::uint32_t value, std::uint32_t base) {
    wchar_t digits[10];
    int count = 0;
    do {
      digits[count++] = L"0123456789abcdef"[value % base];
      value /= base;
    } while (value != 0);
    while (count > 0) Put(digits[--count]);
  }
  std::size_t Finish() {
    buffer_[length_] = L'\0';
    return length_;
  }

 private:
  wchar_t* buffer_;
  std::size_t limit_;
  std::size_t length_ = 0;
};

// NOLINTBEGIN(clang-analyzer-valist.Uninitialized): the caller's va_start is out of its sight
std::size_t FormatTraceLineV(wchar_t* buffer, std::size_t capacity, const wchar_t* format,
                             std::va_list args) {
  LineWriter out(buffer, capacity);
  for (const wchar_t* p = format; *p != L'\0'; ++p) {
    if (*p != L'%') {
      out.Put(*p);
      continue;
    }
    const wchar_t directive = p[1];
    if (directive == L'l' && p[2] == L's') {
      out.PutText(va_arg(args, const wchar_t*));
      p += 2;
    } else if (directive == L'd') {
      const int value = va_arg(args, int);
      // The magnitude is taken in unsigned arithmetic so that INT_MIN is safe.
      std::uint32_t magnitude = static_cast<std::uint32_t>(value);
      if (value < 0) {
        out.Put(L'-');
        magnitude = 0u - magnitude;
      }
      out.PutUnsigned(magnitude, 10);
      ++p;
    } else if (directive == L'x') {
      out.PutUnsigned(va_arg(args, unsigned int), 16);
      ++p;
    } else if (directive == L'%') {
      out.Put(L'%');
      ++p;
    } else {
      // Not a directive this formatter knows: kept as written.
      out.Put(L'%');
    }
  }
  return out.Finish();
}
// NOLINTEND(clang-analyzer-valist.Uninitialized)

}  // namespace

void Trace(TraceSink& sink, const wchar_t* line) {
  sink.WriteLine(line);
}

std::size_t FormatTraceLine(wchar_t* buffer, std::size_t capacity, const wchar_t* format, ...) {
  std::va_list args;
  va_start(args, format);
  const std::size_t length = FormatTraceLineV(buffer, capacity, format, args);
  va_end(args);
  return length;
}

void TraceFormatted(TraceSink& sink, const wchar_t* format, ...) {
  wchar_t line[kTraceLineChars] = {};
  std::va_list args;
  va_start(args, format);
  FormatTraceLineV(line, kTraceLineChars, format, args);
  va_end(args);
  sink.WriteLine(line);
}
