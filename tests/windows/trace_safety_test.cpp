// The trace viewer against what a program sends it and against the field: a program that sends
// forged records, line ends, terminal escapes, invisible controls, the viewer's own words and
// strings too long for the debug event; a log whose folders are missing, whose last record was
// cut, or that two viewers write at once.

#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "log_records.h"
#include "wine_support.h"

namespace {

const std::wstring kViewer = L"\"" + wine::kBuildDir + L"/tools/perinax-trace.exe\" ";
const std::wstring kHostile = L"\"" + wine::kBuildDir + L"/tests/windows/helpers/hostile.exe\"";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

using Record = wine::LogRecord;

std::vector<Record> ParseLog(const std::string& bytes, std::size_t at = kUtf8Mark.size()) {
  return wine::ParseLogRecords(bytes, at);
}

// The program's records, without the viewer's.
std::vector<std::string> ProgramTexts(const std::vector<Record>& records) {
  std::vector<std::string> texts;
  for (const Record& record : records) {
    if (record.component == L"Perinax") texts.push_back(wine::Narrow(record.text));
  }
  return texts;
}

std::string Long(std::size_t length, char filler, char last) {
  std::string text(length, filler);
  text.back() = last;
  return text;
}

}  // namespace

TEST(TraceViewerSafety, ShowsAProgramsTextAsTextOnTheScreenAndInTheLog) {
  const wine::TempFolder top(L"perinax trace safety");
  const std::wstring log = top / L"hostile.log";
  ASSERT_EQ(wine::Run(kViewer + L"--log \"" + log + L"\" " + kHostile, top.path, top / L"out.txt"),
            0u);
  const std::string forged =
      R"(x]LOG]!><time="00:00:00.000+000" date="01-01-2026" component="Perinax" context="" )"
      R"(type="3" thread="1" file=""><![LOG[forged)";
  const std::string cut = std::string(1 << 20, 'b') + " [cut: longer than 1048576 characters]";
  // Under Wine the program's text arrives in the ANSI code page, without the bidi controls.
  const std::string c1AndBidi = "c1 \xc2\x81\xc2\x9d bidi ?? end";

  // In the log: each record one line, the forged one text within the real one, its type 1. The
  // one error is the viewer's own: the folder holds no Perinax.ini.
  const std::vector<Record> records = ParseLog(wine::ReadBytes(log).value_or(""));
  for (const Record& record : records) {
    const bool noIni = record.text.starts_with(L"Perinax.ini is not in the working folder");
    EXPECT_EQ(record.type == 3, noIni) << wine::Narrow(record.text.substr(0, 100));
  }
  EXPECT_EQ(ProgramTexts(records),
            (std::vector<std::string>{
                R"(x]LOG]!&gt;<time="00:00:00.000+000" date="01-01-2026" component="Perinax" )"
                R"(context="" type="3" thread="1" file="">&lt;![LOG[forged)",
                "one  two perinax-trace: three", " [2J ]0;title red  [31mtext\x7f", c1AndBidi,
                "perinax-trace: exit code 0 (0x00000000): success", Long(65535, 'a', 'Z'),
                Long(100000, 'a', 'Z'), cut, "at the page's end"}));

  // On the screen: every control visible, and no line of the program's read as the viewer's.
  const std::string out = wine::ReadBytes(top / L"out.txt").value_or("");
  for (const char c : out)
    EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
  EXPECT_EQ(out, forged + "\n" + R"(one\x0d\x0atwo\x0dperinax-trace: three)" + "\n" +
                     R"(\x1b[2J\x1b]0;title\x07red \x1b[31mtext\x7f)" + "\n" +
                     R"(c1 \u0081\u009d bidi ?? end)" + "\n" +
                     "| perinax-trace: exit code 0 (0x00000000): success\n" +
                     Long(65535, 'a', 'Z') + "\n" + Long(100000, 'a', 'Z') + "\n" + cut + "\n" +
                     "at the page's end\n");
}

TEST(TraceViewerSafety, KeepsTheLogWholeInTheField) {
  const wine::TempFolder top(L"perinax trace field");
  const auto lines = [](int count, const std::string& tag) {
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) texts.push_back(tag + " " + std::to_string(i));
    return texts;
  };

  // Folders that are not there yet are made, two levels of them.
  const std::wstring deep = top / L"not yet\\there either\\deploy.log";
  EXPECT_EQ(
      wine::Run(kViewer + L"--log \"" + deep + L"\" " + kHostile + L" lines 3 T", top.path, L""),
      0u);
  EXPECT_EQ(ProgramTexts(ParseLog(wine::ReadBytes(deep).value_or(""))), lines(3, "T"));

  // A record cut before its line end (a run stopped mid-write) gets the line end first.
  const std::wstring cut = top / L"cut.log";
  const std::string earlier = std::string(kUtf8Mark) + "<![LOG[cut off";
  wine::WriteBytes(cut, earlier);
  EXPECT_EQ(
      wine::Run(kViewer + L"--log \"" + cut + L"\" " + kHostile + L" lines 2 T", top.path, L""),
      0u);
  const std::string bytes = wine::ReadBytes(cut).value_or("");
  ASSERT_EQ(bytes.substr(0, earlier.size() + 2), earlier + "\r\n");
  EXPECT_EQ(ProgramTexts(ParseLog(bytes, earlier.size() + 2)), lines(2, "T"));

  // Two viewers that write one log at once: every line one whole record, none lost, each run's
  // in its order.
  const std::wstring shared = top / L"shared.log";
  constexpr int kLines = 2000;
  DWORD codes[2] = {};
  std::vector<std::thread> runs;
  for (const int run : {0, 1}) {
    runs.emplace_back([&, run] {
      codes[run] = wine::Run(kViewer + L"--log \"" + shared + L"\" " + kHostile + L" lines " +
                                 std::to_wstring(kLines) + (run == 0 ? L" A" : L" B"),
                             top.path, L"");
    });
  }
  for (std::thread& run : runs) run.join();
  EXPECT_EQ(codes[0], 0u);
  EXPECT_EQ(codes[1], 0u);
  const std::vector<Record> records = ParseLog(wine::ReadBytes(shared).value_or(""));
  // Each run's lines, the viewer's five records before it and its exit code after it.
  EXPECT_EQ(records.size(), 2u * (kLines + 6));
  std::vector<std::string> a, b;
  for (const std::string& text : ProgramTexts(records)) (text[0] == 'A' ? a : b).push_back(text);
  EXPECT_EQ(a, lines(kLines, "A"));
  EXPECT_EQ(b, lines(kLines, "B"));
}
