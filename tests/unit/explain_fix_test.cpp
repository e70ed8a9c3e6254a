// The safe fixes, made to the bytes of files in each encoding and line end Windows reads, and
// through the command line's --fix and --diff.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tools/common/utf.h"
#include "tools/explain/cli/command_line.h"
#include "tools/explain/engine/explainer.h"
#include "tools/explain/engine/fixes.h"

namespace {

// A file with one mistake of each fix (and a repeat of the value name, which has none), and the
// same file fixed; '|' stands for the line end. The comment line of Latin letters must come
// through byte for byte.
constexpr char kBefore[] =
    "; caf\xC3\xA9 r\xC3\xA9sum\xC3\xA9|[WIN7]|SetupFlie=setup.exe|"
    "RegPath32KeyPath=SOFTWARE\\V ; the key||RegPath32KeyName=N|RegPath32KeyValue=0x3D|"
    "RegPath64KeyPath=SOFTWARE\\V|RegPath64KeyName=N|RegPath64KeyValue=0xZZ|"
    "[Default]|SetupFile=setup.exe|RegPath32KeyPath=|RegPath64KeyPath=";
constexpr char kAfter[] =
    "; caf\xC3\xA9 r\xC3\xA9sum\xC3\xA9|[win7]|SetupFile=setup.exe|; the key|"
    "RegPath32KeyPath=SOFTWARE\\V||RegPath32KeyName=N|RegPath32KeyValue=61|"
    "RegPath64KeyPath=SOFTWARE\\V|RegPath64KeyName=N|RegPath64KeyValue=0xZZ|"
    "[Default]|SetupFile=setup.exe|RegPath32KeyPath=|RegPath64KeyPath=";

// The text with its line ends, as ANSI (Windows-1252) or as UTF-16LE with its mark.
std::string Encoded(const std::string& text, const std::string& lineEnd, bool utf16) {
  std::wstring wide;
  for (const wchar_t c : Utf16FromUtf8(text)) {
    wide += c == L'|' ? Utf16FromUtf8(lineEnd) : std::wstring(1, c);
  }
  std::string bytes = utf16 ? "\xFF\xFE" : "";
  for (const wchar_t c : wide) {
    bytes += static_cast<char>(c & 0xFF);
    if (utf16) bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

ExplainOutput RunWith(const std::string& option, const std::filesystem::path& file) {
  return RunExplainer({Utf16FromUtf8(option), Utf16FromUtf8(file.string())}, {option, file});
}

}  // namespace

TEST(ExplainFixes, RoundTripInEachEncodingAndLineEnd) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "perinax-fixes";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "setup.exe") << "MZ";
  const std::filesystem::path file = folder / "Perinax.ini";
  for (const bool utf16 : {false, true}) {
    for (const std::string lineEnd : {"\r\n", "\n"}) {
      SCOPED_TRACE(std::string(utf16 ? "UTF-16LE" : "ANSI") + (lineEnd == "\n" ? " LF" : " CRLF"));
      const std::string before = Encoded(kBefore, lineEnd, utf16);
      const std::string after = Encoded(kAfter, lineEnd, utf16);
      const auto explanation = Explain({.bytes = before, .file = L"Perinax.ini"});
      ASSERT_TRUE(explanation);
      const FixedFile fixed = ApplyFixes(before, explanation->findings);
      EXPECT_EQ(fixed.applied, 4u);
      EXPECT_EQ(fixed.bytes, after);

      std::ofstream(file, std::ios::binary) << before;
      const ExplainOutput diff = RunWith("--diff", file);
      EXPECT_EQ(Read(file), before) << "--diff changes nothing";
      EXPECT_EQ(diff.out, UnifiedDiff(before, after, file.string()));
      EXPECT_NE(diff.out.find("\n-[WIN7]" + lineEnd + "-SetupFlie=setup.exe" + lineEnd),
                std::string::npos)
          << diff.out;
      EXPECT_NE(
          diff.out.find("\n+[win7]" + lineEnd + "+SetupFile=setup.exe" + lineEnd + "+; the key"),
          std::string::npos)
          << diff.out;
      const ExplainOutput fix = RunWith("--fix", file);
      EXPECT_EQ(fix.exitCode, 1) << "the value 0xZZ has no sure fix";
      EXPECT_EQ(Read(file), after);
      EXPECT_EQ(RunWith("--diff", file).out, "") << "nothing is left to fix";
    }
  }
  std::filesystem::remove_all(folder);
}

// Each hunk's counts hold its lines; hunks apart by more than six lines stay apart, and a last
// line without its line end is marked.
TEST(ExplainFixes, UnifiedDiffHunks) {
  std::string before;
  for (int i = 1; i <= 20; ++i) before += "l" + std::to_string(i) + "\n";
  std::string after = before;
  after.replace(after.find("l2\n"), 3, "x2\n");
  after.replace(after.find("l18\n"), 4, "x18\ny18\n");
  EXPECT_EQ(UnifiedDiff(before, after, "f"),
            "--- a/f\n+++ b/f\n@@ -1,5 +1,5 @@\n l1\n-l2\n+x2\n l3\n l4\n l5\n"
            "@@ -15,6 +15,7 @@\n l15\n l16\n l17\n-l18\n+x18\n+y18\n l19\n l20\n");
  EXPECT_EQ(UnifiedDiff("a\nb", "a\nc", "f"),
            "--- a/f\n+++ b/f\n@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+c\n"
            "\\ No newline at end of file\n");
  EXPECT_EQ(UnifiedDiff(before, before, "f"), "");
}
