#pragma once

// What a program under the viewer sends is its own text, not the viewer's: it may hold line ends,
// terminal escapes, text that reorders what follows, the log's record markers, or a line that
// reads like one of the viewer's own. Each output takes it through this routine, so that a
// reader sees what was sent, one line for each line, and never mistakes it for the viewer's.

#include <string>
#include <string_view>

enum class TextUse {
  // The trace-log form's TEXT: control characters become blanks; the "<" of "<![LOG[" becomes
  // "&lt;" and the ">" of "]LOG]!>" becomes "&gt;", so that a line holds exactly one record
  // start and one record end. Every other character stays.
  kTraceLog,
  // The text form's TEXT: control characters become blanks, and a line that begins with the
  // viewer's mark "perinax-trace: " gets kProgramLineMark in front.
  kTextLog,
  // Standard output and error: each C0 control (a line end, a tab, ESC), DEL, each C1 control
  // and each bidi control becomes a visible escape, \x1b or \u202e; a backslash stays as it is,
  // so that paths read as they are. A line that begins with the viewer's mark gets
  // kProgramLineMark in front.
  kScreen,
};

// What a line of the program's that begins with the viewer's mark is shown after.
inline constexpr std::string_view kProgramLineMark = "| ";

// The UTF-8 text, made safe for the output.
std::string SafeText(std::string_view utf8, TextUse use);
