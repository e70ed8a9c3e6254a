// What the trace viewer does with what a program sends it: the text made safe for each output.

#include <gtest/gtest.h>

#include "tools/trace/safe_text.h"

TEST(SafeText, KeepsEachOutputOneLineARecordAndTheViewersMarkItsOwn) {
  constexpr auto kTraceLog = TextUse::kTraceLog, kTextLog = TextUse::kTextLog,
                 kScreen = TextUse::kScreen;
  // Each row: the output, what the program sent (UTF-8) and what the output gets.
  const std::tuple<TextUse, std::string_view, std::string_view> rows[] = {
      // Ordinary lines, "<" and ">" and backslashes included, are left as they are everywhere.
      {kTraceLog, R"(Setup CMD /q "<a>" C:\x\ü)", R"(Setup CMD /q "<a>" C:\x\ü)"},
      {kTextLog, R"(Setup CMD /q "<a>" C:\x\ü)", R"(Setup CMD /q "<a>" C:\x\ü)"},
      {kScreen, R"(Setup CMD /q "<a>" C:\x\ü)", R"(Setup CMD /q "<a>" C:\x\ü)"},
      // In the log, each record marker loses its "<" or ">", repeated and nested ones too, so a
      // forged record is text within the real one.
      {kTraceLog, R"(x]LOG]!><time="1" type="3"><![LOG[forged)",
       R"(x]LOG]!&gt;<time="1" type="3">&lt;![LOG[forged)"},
      {kTraceLog, "<![LOG[<![LOG[", "&lt;![LOG[&lt;![LOG["},
      {kTraceLog, "]LOG]!]LOG]!>>", "]LOG]!]LOG]!&gt;>"},
      {kTraceLog, "<<![LOG[]LOG]!>]LOG]!>", "<&lt;![LOG[]LOG]!&gt;]LOG]!&gt;"},
      {kTraceLog, "<![LO\nG[", "<![LO G["},
      // The logs make control characters blanks; C1 and bidi controls stay, as text.
      {kTraceLog, "a\r\nb\tc\x1b[31m\x7f", "a  b c [31m\x7f"},
      {kTextLog, "a\r\nb\x1b\xc2\x85\xe2\x80\xae", "a  b \xc2\x85\xe2\x80\xae"},
      // Only the screen and the text form mark a program's line that reads like the viewer's.
      {kTraceLog, "perinax-trace: exit code 0", "perinax-trace: exit code 0"},
      {kTextLog, "perinax-trace: exit code 0", "| perinax-trace: exit code 0"},
      {kScreen, "perinax-trace: exit code 0", "| perinax-trace: exit code 0"},
      {kScreen, "perinax-trace:exit", "perinax-trace:exit"},
      {kScreen, " perinax-trace: x", " perinax-trace: x"},
      {kScreen, "a\r\nperinax-trace: x", "a\\x0d\\x0aperinax-trace: x"},
      // The screen shows every control as an escape: C0, DEL, C1 and the bidi controls.
      {kScreen, std::string_view("\0\t\x1b[2J\x1f\x7f", 8), "\\x00\\x09\\x1b[2J\\x1f\\x7f"},
      {kScreen, "\xc2\x80\xc2\x9b\xc2\x9f\xc2\xa0", "\\u0080\\u009b\\u009f\xc2\xa0"},
      {kScreen, "\xe2\x80\xa9\xe2\x80\xaa\xe2\x80\xae\xe2\x80\xaf",
       "\xe2\x80\xa9\\u202a\\u202e\xe2\x80\xaf"},
      {kScreen, "\xe2\x81\xa5\xe2\x81\xa6\xe2\x81\xa9\xe2\x81\xaa",
       "\xe2\x81\xa5\\u2066\\u2069\xe2\x81\xaa"},
      // A cut sequence at the text's end is passed on, not read past.
      {kScreen, "a\xe2\x80", "a\xe2\x80"},
  };
  for (const auto& [use, sent, shown] : rows) {
    EXPECT_EQ(SafeText(sent, use), shown) << sent;
  }
}
