#include "settings/ini_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "recording_trace.h"

using namespace std::string_literals;

namespace {

constexpr wchar_t kMarker = static_cast<wchar_t>(0xCCCC);

// The result, and the buffer up to the last character no longer holding the marker.
std::wstring Outcome(std::uint32_t result, std::wstring buffer) {
  buffer.erase(buffer.find_last_not_of(kMarker) + 1);
  return std::to_wstring(result) + L":" + buffer;
}

// "[name]@line" or "name@line" for each section and key, '*' marking a repeat that is never
// read; then the lines Windows passes over: before any section, not ASCII, holding NUL.
std::wstring Layout(const IniReader& reader) {
  std::vector<std::wstring> parts;
  for (const IniSection& section : reader.sections()) {
    parts.push_back(L"[" + section.name + L"]@" + std::to_wstring(section.line) +
                    (section.repeated ? L"*" : L""));
    for (const IniKey& key : section.keys)
      parts.push_back(key.name + L"@" + std::to_wstring(key.line) + (key.repeated ? L"*" : L""));
  }
  const IniOddities odd = reader.oddities();
  for (const auto* lines : {&odd.linesBeforeSection, &odd.nonAsciiLines, &odd.nulLines}) {
    parts.emplace_back();
    for (const std::uint32_t line : *lines) parts.back() += L" " + std::to_wstring(line);
  }
  return Joined(parts);
}

}  // namespace

// One row per fact of the Windows profile readers that Wine does not share (the differential
// under Wine pins the rest against the system's own readers).
TEST(IniReader, AnswersAsTheWindowsProfileReadersDo) {
  const struct {
    const char* fact;
    std::string ini;
    const wchar_t* section;
    const wchar_t* key;
    std::wstring expected;  // the text read
    std::uint32_t size = 300;
  } rows[] = {
      {"4 spaces around the call's names go", "[sec]\nkey=v", L"  sec ", L" key  ", L"v"},
      {"4 a tab in the call's name stays", "[S]\nk=v", L"\tS", L"k", L"d"},
      {"7 no keys before the first section", "k=v\n[S]", L"", L"k", L"d"},
      {"8 a section name ends at the first ']'", "[S]x]\nk=v", L"S", L"k", L"v"},
      {"8 '[S' opens S", "[S\nk=v", L"S", L"k", L"v"},
      {"10 outer quotes go after trimming", "[S]\nk=  \"  X \"  ", L"S", L"k", L"  X "},
      {"10 only one pair, single or double", "[S]\nk='\"X\"'", L"S", L"k", L"\"X\""},
      {"12 ';' starts a comment line", "[S]\n;k=v", L"S", L";k", L"d"},
      {"17 65,536 characters read as none", "[S]\nk=" + std::string(65536, 'x'), L"S", L"k", L"",
       70000},
      {"17 65,537 as one", "[S]\nk=" + std::string(65537, 'x'), L"S", L"k", L"x", 70000},
      {"19 a UTF-8 mark spoils the first line", "\xEF\xBB\xBF[S]\nk=v", L"S", L"k", L"d"},
      {"19 other files are ANSI", "[S]\nk=\xC3\xA9 \x80", L"S", L"k", L"\u00c3\u00a9 \u20ac"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fact);
    std::wstring buffer(row.size + 2, kMarker);
    const std::uint32_t result = IniReader::FromBytes(row.ini).GetString(
        row.section, row.key, L"d  ", buffer.data(), row.size);
    EXPECT_EQ(Outcome(result, buffer), std::to_wstring(row.expected.size()) + L":" +
                                           (row.size > 0 ? row.expected + L'\0' : L""));
  }
}

TEST(IniReader, NumbersLinesAsEditorsDoAndMarksWhatWindowsPassesOver) {
  const std::tuple<const char*, std::string, IniEncoding, std::wstring> rows[] = {
      {"CRLF is one line end, CR and LF alone one each", "[A]\r\nk=1\r\n\r\nj=2\rn=3\n[B]",
       IniEncoding::kAnsi, L"[A]@1|k@2|j@4|n@5|[B]@6|||"},
      {"repeats ignore case; keys repeat within their section only",
       "[A]\nk=1\nK=2\n[a]\nk=3\n[B]\nk=4", IniEncoding::kAnsi,
       L"[A]@1|k@2|K@3*|[a]@4*|k@5|[B]@6|k@7|||"},
      {"lines before the first section, comments aside", "a=1\n; c\n\nno equals\n[S]\nk=v",
       IniEncoding::kAnsi, L"[S]@5|k@6| 1 4||"},
      {"a UTF-8 mark spoils line 1", "\xEF\xBB\xBF[S]\nk=\xC3\xA9", IniEncoding::kUtf8Mark,
       L" 1 2| 1 2|"},
      {"a UTF-16BE mark is read as ANSI", "\xFE\xFF\0[\0S\0]"s, IniEncoding::kUtf16BeMark,
       L" 1| 1| 1"},
      {"UTF-16LE is not ANSI", "\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0\xE9\0"s, IniEncoding::kUtf16Le,
       L"[S]@1|k@2|||"},
  };
  for (const auto& [what, bytes, encoding, layout] : rows) {
    SCOPED_TRACE(what);
    const IniReader reader = IniReader::FromBytes(bytes);
    EXPECT_EQ(reader.oddities().encoding, encoding);
    EXPECT_EQ(Layout(reader), layout);
  }
}
