// perinax-explain as CI runs it: many files in one run, what a team accepts
// (inline, in a .perinax-explainrc, on the command line, in a baseline), the
// levels, the command line's habits and the escaping of what a file chose.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "tools/common/utf.h"
#include "tools/explain/cli/command_line.h"
#include "tools/explain/engine/explainer.h"

namespace {

const std::filesystem::path kTree = std::filesystem::temp_directory_path() / "perinax-explain-ci";

// A clean [Default] with `extra` lines after its SetupFile.
std::string Package(const std::string& extra = "", const std::string& before = "") {
  return before + "[Default]\nSetupFile=setup.exe\n" + extra +
         "RegPath32KeyPath=SOFTWARE\\V\nRegPath32KeyName=N\nRegPath32KeyValue=1\n"
         "RegPath64KeyPath=SOFTWARE\\V\nRegPath64KeyName=N\nRegPath64KeyValue=1\n";
}

// A mis-spelt version section with all seven keys, so that it draws section-case alone.
const std::string kWin7 =
    "[Win7]\nSetupFile=setup.exe\nRegPath32KeyPath=SOFTWARE\\V\nRegPath32KeyName=N\n"
    "RegPath32KeyValue=1\nRegPath64KeyPath=SOFTWARE\\V\nRegPath64KeyName=N\nRegPath64KeyValue=1\n";

void Write(const std::filesystem::path& path, const std::string& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
  std::ofstream(path.parent_path() / "setup.exe") << "MZ";
}

ExplainOutput Check(const std::vector<std::string>& words, const std::string& input = "") {
  std::vector<std::wstring> wide;
  std::vector<std::filesystem::path> paths;
  for (const std::string& word : words) {
    wide.push_back(Utf16FromUtf8(word));
    paths.emplace_back(word);
  }
  ExplainOutput output;
  const ExplainStreams streams{[&](std::string_view t) { output.out += t; },
                               [&](std::string_view t) { output.err += t; },
                               [&] {
                                 return ReadResult{input, ""};
                               }};
  output.exitCode = RunExplainer(wide, paths, streams);
  return output;
}

// Each result's code and line, and its suppression kind and baseline state where it has them.
std::string Results(const std::string& sarif) {
  std::string text;
  const nlohmann::json log = nlohmann::json::parse(sarif);
  for (const auto& result : log["runs"][0]["results"]) {
    text += result["ruleId"].get<std::string>() + "@" +
            std::to_string(
                result["locations"][0]["physicalLocation"]["region"]["startLine"].get<int>());
    if (result.contains("suppressions"))
      text += ":" + result["suppressions"][0]["kind"].get<std::string>();
    if (result.contains("baselineState")) text += ":" + result["baselineState"].get<std::string>();
    text += " ";
  }
  return text;
}

class ExplainCi : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove_all(kTree);
    std::filesystem::create_directories(kTree / ".git");
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(kTree);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(kTree);
  }
  std::filesystem::path previous_;
};

}  // namespace

// Folders are searched in name order for Perinax.ini in any case, past hidden folders; a file
// given by name is checked whatever its name; a PATH that cannot be read fails the run (exit 2)
// while the others are still checked; each form holds every file.
TEST_F(ExplainCi, ManyFilesInOneRun) {
  Write("pkgs/b/PERINAX.INI", Package("SetupFlie=x\n"));
  Write("pkgs/a/Perinax.ini", Package());
  Write("pkgs/.hidden/Perinax.ini", Package("SetupFlie=x\n"));
  Write("pkgs/a/other.ini", Package("SetupFlie=x\n"));
  Write("named.txt", Package("", kWin7));
  const ExplainOutput text = Check({"pkgs", "named.txt", "missing"});
  EXPECT_EQ(text.exitCode, 2);
  EXPECT_EQ(
      text.out,
      "pkgs/b/PERINAX.INI:3: warning: SetupFlie in [Default] is a key Perinax never reads; "
      "did you mean SetupFile? [unknown-key]\n\n"
      "named.txt:1: error: the file is named \"named.txt\", but Perinax reads only Perinax.ini "
      "beside it: with no such file nothing is written and the start fails with 1603; rename it "
      "Perinax.ini [file-name]\n"
      "named.txt:1: error: [Win7] is never chosen: Perinax looks for [win7] with exactly that "
      "spelling and case, so win7-x86, win7-x64 read [Default] instead; rename it [win7] "
      "[section-case]\n\n"
      "3 files checked, 2 with findings: 2 errors, 1 warning; 1 PATH could not be checked\n");
  EXPECT_EQ(text.err, "perinax-explain: cannot read missing: no such file\n");

  const nlohmann::json json = nlohmann::json::parse(Check({"--json", "pkgs"}).out);
  ASSERT_EQ(json["files"].size(), 2u);
  EXPECT_EQ(json["files"][1]["warnings"][0]["level"], "warning");
  EXPECT_EQ(json["totals"]["files"], 2);
  EXPECT_EQ(json["totals"]["count"], 1);

  // One run, an artifact for each file checked (the clean one too), paths relative and by '/'.
  const nlohmann::json run = nlohmann::json::parse(
      Check({"--format=sarif", kTree.string() + "/pkgs", "missing"}).out)["runs"][0];
  ASSERT_EQ(run["artifacts"].size(), 2u);
  EXPECT_EQ(run["artifacts"][0]["location"]["uri"], "pkgs/a/Perinax.ini");
  EXPECT_EQ(run["results"][0]["locations"][0]["physicalLocation"]["artifactLocation"]["index"], 1);
  EXPECT_EQ(run["invocations"][0]["executionSuccessful"], false);
  EXPECT_EQ(run["invocations"][0]["toolExecutionNotifications"][0]["message"]["text"],
            "cannot read missing: no such file");
  // Standard input is one file.
  EXPECT_EQ(Check({"--format", "gcc", "-"}, Package("SetupFlie=x\n")).out.substr(0, 19),
            "-:3:1: warning: Set");
}

// Each kind of suppression, each in SARIF as what it is and left out of the other forms and
// of the exit code; an unknown code in a comment is a finding of its own.
TEST_F(ExplainCi, SuppressionsEachKind) {
  const std::string ini =
      Package("; perinax-explain: disable=unknown-key\nSetupFlie=x\n\nSetupFyle=y\n",
              "; perinax-explain: disable=section-case, duplicate-key\n" + kWin7) +
      "setupfile=z\n; perinax-explain: disable=no-such-code\n";
  Write("pkg/Perinax.ini", ini);
  EXPECT_EQ(
      Results(Check({"--format", "sarif", "pkg"}).out),
      "section-case@2:inSource unknown-key@13:inSource unknown-key@15 duplicate-key@22:inSource "
      "unknown-code@23 ");
  EXPECT_EQ(Results(Check({"--format", "sarif", "--no-inline-suppressions", "pkg"}).out),
            "section-case@2 unknown-key@13 unknown-key@15 duplicate-key@22 ");
  // The nearest .perinax-explainrc counts, up to the folder that holds .git.
  Write(".perinax-explainrc", "# accepted\ndisable=unknown-code\n");
  Write("pkg/.perinax-explainrc", "; accepted here\ndisable=unknown-key, unknown-code\n");
  EXPECT_EQ(Results(Check({"--format", "sarif", "pkg"}).out),
            "section-case@2:inSource unknown-key@13:inSource unknown-key@15:external "
            "duplicate-key@22:inSource unknown-code@23:external ");
  const ExplainOutput quiet = Check({"pkg"});
  EXPECT_EQ(quiet.exitCode, 0) << quiet.out;
  EXPECT_EQ(Check({"--norc", "pkg"}).exitCode, 1);
  EXPECT_EQ(Check({"--enable", "unknown-key,unknown-code", "pkg"}).exitCode, 1);
  EXPECT_EQ(Check({"--rcfile", ".perinax-explainrc", "pkg"}).out,
            "pkg/Perinax.ini:15: warning: SetupFyle in [Default] is a key Perinax never reads; did "
            "you mean SetupFile? [unknown-key]\n\n1 file checked, 1 with findings: 1 warning "
            "(besides 4 suppressed, 0 in the baseline)\n");
  std::filesystem::remove("pkg/.perinax-explainrc");
  EXPECT_EQ(Check({"--disable=unknown-key", "--format", "gcc", "pkg"}).out, "");
}

// Levels in every form, --severity, and a baseline: the run's own log leaves nothing new,
// lines moved stay known, and a new finding alone counts.
TEST_F(ExplainCi, LevelsAndBaseline) {
  Write("a/Perinax.ini", Package("SetupFlie=x\n", kWin7));
  EXPECT_EQ(Check({"--severity", "error", "--format", "gcc", "a"}).out,
            "a/Perinax.ini:1:2: error: [Win7] is never chosen: Perinax looks for [win7] with "
            "exactly that spelling and case, so win7-x86, win7-x64 read [Default] instead; "
            "rename it [win7] [section-case]\n");
  const nlohmann::json rules = nlohmann::json::parse(
      Check({"--format", "sarif", "a"}).out)["runs"][0]["tool"]["driver"]["rules"];
  EXPECT_EQ(rules[0]["defaultConfiguration"]["level"], "error");
  EXPECT_EQ(rules[1]["defaultConfiguration"]["level"], "warning");

  const ExplainOutput first = Check({"--format", "sarif", "--output", "text=run.txt", "a"});
  std::ofstream("base.sarif") << first.out;
  EXPECT_NE(std::ifstream("run.txt").peek(), EOF);
  const ExplainOutput again = Check({"--baseline", "base.sarif", "--format", "sarif", "a"});
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_EQ(Results(again.out), "section-case@1:unchanged unknown-key@11:unchanged ");
  Write("a/Perinax.ini", "; moved\n\n" + Package("SetupFlie=x\nSetupFyle=y\n", kWin7));
  const ExplainOutput moved = Check({"--baseline", "base.sarif", "--format", "sarif", "a"});
  EXPECT_EQ(moved.exitCode, 1);
  EXPECT_EQ(Results(moved.out),
            "section-case@3:unchanged unknown-key@13:unchanged unknown-key@14:new ");
  // The other forms leave the known ones out.
  const std::string gcc = Check({"--baseline", "base.sarif", "--format", "gcc", "a"}).out;
  EXPECT_EQ(std::count(gcc.begin(), gcc.end(), '\n'), 1);
  EXPECT_NE(gcc.find("a/Perinax.ini:14:1: warning: SetupFyle"), std::string::npos) << gcc;
}

// The command line's habits: --format=NAME, "--" before PATHs, two forms or stray words
// refused, and why an input cannot be read.
TEST_F(ExplainCi, CommandLineHabits) {
  Write("-x/Perinax.ini", Package());
  EXPECT_EQ(Check({"--format=gcc", "--", "-x"}).exitCode, 0);
  const std::tuple<std::vector<std::string>, std::string> refused[] = {
      {{"--json", "--format", "sarif", "x.ini"}, "two forms asked for, json and sarif"},
      {{"--version", "x.ini"}, "take no other words"},
      {{"--json=yes", "x.ini"}, "--json takes no value"},
      {{"--severity", "fatal", "x.ini"}, "unknown level fatal"},
      {{"--disable", "nope", "x.ini"}, "unknown code nope"},
      {{"--output", "xml=out", "x.ini"}, "--output needs NAME=FILE"},
      {{"--baseline", "missing.sarif", "x.ini"}, "cannot read the baseline missing.sarif"},
  };
  for (const auto& [words, says] : refused) {
    const ExplainOutput output = Check(words);
    EXPECT_EQ(output.exitCode, 2);
    EXPECT_NE(output.err.find(says), std::string::npos) << output.err;
  }
  ASSERT_EQ(mkfifo("fifo.ini", 0600), 0);
  EXPECT_EQ(Check({"fifo.ini"}).err, "perinax-explain: cannot read fifo.ini: a FIFO\n");
}

// Nothing a file chose reaches a terminal or CI log as a control, a link or a command.
TEST_F(ExplainCi, TextAFileChoseIsShownNotObeyed) {
  const std::pair<std::string, std::string> rows[] = {
      {"a\nb\tc\x1b[31m\x7f", "a\\x0ab\\x09c\\x1b[31m\\x7f"},
      {"\xc2\x9b"
       "2J \xe2\x80\xae"
       "txt \xe2\x81\xa6",
       "\\u009b2J \\u202etxt \\u2066"},
      {"x ##vso[task.setvariable] ##[error] ##VSO[",
       "x ##vso\\x5btask.setvariable] ##\\x5berror] ##VSO\\x5b"},
  };
  for (const auto& [sent, shown] : rows) {
    EXPECT_EQ(VisibleText(sent), shown);
    EXPECT_EQ(Utf8FromUtf16(VisibleText(Utf16FromUtf8(sent))), shown);
  }
  // A key path with a line end in it, and a SetupFile that is a link, as SARIF and the trace show
  // them.
  const std::string ini =
      "[Default]\nSetupFile=[click](https://evil.example/){0}\n"
      "RegPath64KeyPath=SOFTWARE\\Wow6432Node\\Wow6432Node\\\x1b]8;;x\x07\n";
  Write("h/Perinax.ini", ini);
  const std::string sarif = Check({"--format", "sarif", "h"}).out;
  EXPECT_NE(sarif.find(R"(SetupFile=\\[click\\](https://evil.example/){{0}})"), std::string::npos);
  EXPECT_EQ(sarif.find("\\u001b"), std::string::npos) << "no raw ESC in any message";
  const std::string trace = Check({"--case", "win7-x64", "h/Perinax.ini"}).out;
  for (std::size_t at = 0; at < trace.size(); at = trace.find('\n', at) + 1) {
    EXPECT_EQ(trace.compare(at, 2, "| "), 0) << trace.substr(at, 40);
  }
}

// The file's comments read as the INI reader reads its lines: in a UTF-16 file with CRLF ends,
// stacked above a key, and a code turned off for the whole file takes its left-out findings
// with it.
TEST(ExplainSuppressions, CommentsOfEveryEncodingAndTheCountPastTheCap) {
  std::string utf16 = "\xFF\xFE";
  const std::string text =
      "[Default]\r\n; perinax-explain: disable=duplicate-key\r\n"
      ";perinax-explain:disable=unknown-key\r\n\r\nSetupFlie=x\r\n";
  for (const char c : text) utf16 += {c, '\0'};
  const auto coded = Explain({.bytes = utf16, .file = L"Perinax.ini"});
  const auto found = std::find_if(coded->findings.begin(), coded->findings.end(),
                                  [](const Finding& f) { return f.code == Code::kUnknownKey; });
  ASSERT_NE(found, coded->findings.end());
  EXPECT_EQ(found->line(), 5u);
  EXPECT_EQ(found->suppression, Suppression::kInSource);

  std::string many = "; perinax-explain: disable=unused-section\n" + Package();
  for (int i = 0; i < 150; ++i) many += "[S" + std::to_string(i) + "]\n";
  const auto crowded = Explain({.bytes = many, .file = L"Perinax.ini"});
  ASSERT_EQ(crowded->leftOut.size(), 1u);
  EXPECT_EQ(ExitCodeOf(*crowded), kExplainClean);
  EXPECT_EQ(ReportedCount(*crowded), 0u);
  const auto audited =
      Explain({.bytes = many, .file = L"Perinax.ini", .inlineSuppressions = false});
  EXPECT_EQ(ReportedCount(*audited), 150u);
}
