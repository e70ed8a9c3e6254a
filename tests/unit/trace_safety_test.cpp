// What the trace viewer does with what a program sends it: the text made safe for each output,
// debug strings read to their terminator through memory that ends, the folders made for a log,
// and what goes into a log before a record.

#include <gtest/gtest.h>

#include <map>

#include "tools/trace/debug_string.h"
#include "tools/trace/log_folders.h"
#include "tools/trace/log_record.h"
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

TEST(TraceLog, PutsALineEndAfterACutRecordAndTheStartIntoAnEmptyLog) {
  EXPECT_EQ(BeforeNextRecord(LogFormat::kTraceLog, ""), "\xEF\xBB\xBF");
  EXPECT_EQ(BeforeNextRecord(LogFormat::kText, ""), "");
  for (const LogFormat format : {LogFormat::kTraceLog, LogFormat::kText}) {
    EXPECT_EQ(BeforeNextRecord(format, "\n"), "");
    EXPECT_EQ(BeforeNextRecord(format, "\r"), "\r\n");
    EXPECT_EQ(BeforeNextRecord(format, "="), "\r\n");
  }
}

TEST(LogFolders, NamesEachFolderBelowTheRootOutermostFirst) {
  using Folders = std::vector<std::wstring>;
  const std::pair<std::wstring_view, Folders> rows[] = {
      {LR"(C:\Windows\Logs\Software\x.log)",
       {LR"(C:\Windows)", LR"(C:\Windows\Logs)", LR"(C:\Windows\Logs\Software)"}},
      {LR"(C:\x.log)", {}},
      {LR"(C:x\x.log)", {LR"(C:x)"}},
      {LR"(x.log)", {}},
      {LR"(logs\a\x.log)", {LR"(logs)", LR"(logs\a)"}},
      {LR"(\logs\x.log)", {LR"(\logs)"}},
      {LR"(C:/a//b/x.log)", {LR"(C:/a)", LR"(C:/a//b)"}},
      {LR"(\\server\share\x.log)", {}},
      {LR"(\\server\share\a\b\x.log)", {LR"(\\server\share\a)", LR"(\\server\share\a\b)"}},
      {LR"(\\?\C:\a\x.log)", {LR"(\\?\C:\a)"}},
      {LR"(\\?\UNC\server\share\a\x.log)", {LR"(\\?\UNC\server\share\a)"}},
      {LR"(\\.\C:\a\x.log)", {LR"(\\.\C:\a)"}},
  };
  for (const auto& [path, folders] : rows) {
    EXPECT_EQ(FoldersAbove(path), folders) << std::string(path.begin(), path.end());
  }
}

namespace {

// A program's memory: readable pages of 4 KiB at their addresses, every other byte unreadable;
// a read that takes in an unreadable byte fails whole, as ReadProcessMemory does.
struct FakeMemory {
  std::map<std::uint64_t, std::string> pages;

  void Put(std::uint64_t address, std::string_view bytes) {
    for (const char byte : bytes) {
      std::string& page = pages[address / 4096 * 4096];
      page.resize(4096, 'x');
      page[address++ % 4096] = byte;
    }
  }

  ReadMemory Reader() {
    return [this](std::uint64_t address, void* buffer, std::size_t size) {
      for (std::size_t i = 0; i < size; ++i) {
        const auto page = pages.find((address + i) / 4096 * 4096);
        if (page == pages.end()) return false;
        static_cast<char*>(buffer)[i] = page->second[(address + i) % 4096];
      }
      return true;
    };
  }
};

std::string Utf16(std::string_view ascii) {
  std::string bytes;
  for (const char c : ascii) bytes += {c, '\0'};
  return bytes;
}

}  // namespace

TEST(DebugString, ReadsToTheTerminatorAPageAtATimeAndSaysWhenItCutsTheString) {
  struct Row {
    const char* what;
    std::uint64_t address;
    std::string memory;  // from the address on; the pages around it are unreadable
    std::size_t charSize, maxChars;
    std::string bytes;
    bool cut;
  };
  const std::string longText(10000, 'a');
  const Row rows[] = {
      {"short", 0x10010, Utf16("Exit Code 0") + std::string(2, '\0'), 2, 100, Utf16("Exit Code 0"),
       false},
      {"over three pages", 0x10ffe, Utf16(longText) + std::string(2, '\0'), 2, 20000,
       Utf16(longText), false},
      {"ending at the last byte before an unreadable page", 0x10ff8,
       Utf16("abc") + std::string(2, '\0'), 2, 100, Utf16("abc"), false},
      {"unterminated up to an unreadable page", 0x10ffa, Utf16("abc"), 2, 100, Utf16("abc"), false},
      {"an odd address, a character across two pages", 0x10fff, Utf16("ab") + std::string(2, '\0'),
       2, 100, Utf16("ab"), false},
      {"ANSI", 0x10ffd, "abc" + std::string(1, '\0'), 1, 100, "abc", false},
      {"exactly the longest kept", 0x10000, Utf16("abcd") + std::string(2, '\0'), 2, 4,
       Utf16("abcd"), false},
      {"one character more", 0x10000, Utf16("abcde") + std::string(2, '\0'), 2, 4, Utf16("abcd"),
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    FakeMemory memory;
    memory.Put(row.address, row.memory);
    const DebugStringBytes string =
        ReadTerminatedString(row.address, row.charSize, memory.Reader(), row.maxChars);
    EXPECT_EQ(string.bytes, row.bytes);
    EXPECT_EQ(string.cut, row.cut);
  }
}
