// What the INI reader reports beyond the profile readers' answers: the line of
// each section and key, which of them are repeated, and what Windows passes over.

#include <gtest/gtest.h>

#include <string>

#include "recording_trace.h"
#include "settings/ini_reader.h"

using namespace std::string_literals;

namespace {

// "name@line" for each section and key, '*' marking one that is never read.
std::wstring Layout(const IniReader& reader) {
  std::vector<std::wstring> parts;
  for (const IniSection& section : reader.sections()) {
    parts.push_back(L"[" + section.name + L"]@" + std::to_wstring(section.line) +
                    (section.repeated ? L"*" : L""));
    for (const IniKey& key : section.keys) {
      parts.push_back(key.name + L"@" + std::to_wstring(key.line) + (key.repeated ? L"*" : L""));
    }
  }
  return Joined(parts);
}

std::string Lines(const std::vector<std::uint32_t>& lines) {
  std::string text;
  for (const std::uint32_t line : lines) text += (text.empty() ? "" : ",") + std::to_string(line);
  return text;
}

}  // namespace

TEST(IniReaderLines, NumbersLinesAsEditorsDoAndMarksWhatIsNeverRead) {
  const struct {
    const char* what;
    std::string bytes;
    std::wstring layout;
  } rows[] = {
      {"CRLF is one line end, CR and LF alone one each", "[A]\r\nk=1\r\n\r\nj=2\rn=3\n[B]",
       L"[A]@1|k@2|j@4|n@5|[B]@6"},
      {"repeats ignore case; keys repeat within their section only",
       "[A]\nk=1\nK=2\n[a]\nk=3\n[B]\nk=4", L"[A]@1|k@2|K@3*|[a]@4*|k@5|[B]@6|k@7"},
      {"UTF-16LE lines", "\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0v\0"s, L"[S]@1|k@2"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(Layout(IniReader::FromBytes(row.bytes)), row.layout);
  }
}

TEST(IniReaderLines, ReportsWhatWindowsPassesOver) {
  const struct {
    const char* what;
    std::string bytes;
    IniEncoding encoding;
    std::string before, nonAscii, nul;
  } rows[] = {
      {"plain ANSI", "; c\n[S]\nk=v", IniEncoding::kAnsi, "", "", ""},
      {"lines before the first section, comments aside", "a=1\n; c\n\nno equals\n[S]\nk=v",
       IniEncoding::kAnsi, "1,4", "", ""},
      {"a UTF-8 mark spoils line 1", "\xEF\xBB\xBF[S]\nk=\xC3\xA9", IniEncoding::kUtf8Mark, "1,2",
       "1,2", ""},
      {"a UTF-16BE mark is read as ANSI", "\xFE\xFF\0[\0S\0]"s, IniEncoding::kUtf16BeMark, "1", "1",
       "1"},
      {"UTF-16LE text is not ANSI", "\xFF\xFE[\0S\0]\0\n\0k\0=\0\xE9\0"s, IniEncoding::kUtf16Le, "",
       "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const IniOddities odd = IniReader::FromBytes(row.bytes).oddities();
    EXPECT_EQ(odd.encoding, row.encoding);
    EXPECT_EQ(Lines(odd.linesBeforeSection), row.before);
    EXPECT_EQ(Lines(odd.nonAsciiLines), row.nonAscii);
    EXPECT_EQ(Lines(odd.nulLines), row.nul);
  }
}
