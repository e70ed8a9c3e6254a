// perinax-explain over files of our own: one row a warning, then what the table, the
// trace of one case and the JSON say, and the exit codes.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "recording_trace.h"
#include "tools/explain/report.h"
#include "tools/explain/utf.h"

namespace {

// A section with all seven keys; the x86 and x64 targets share path, name and value text.
std::string Section(const std::string& name, const std::string& path = "SOFTWARE\\V",
                    const std::string& value = "1", const std::string& setup = "setup.exe") {
  std::string text = "[" + name + "]\nSetupFile=" + setup + "\n";
  for (const char* bits : {"32", "64"}) {
    text += std::string("RegPath") + bits + "KeyPath=" + path + "\nRegPath" + bits +
            "KeyName=N\nRegPath" + bits + "KeyValue=" + value + "\n";
  }
  return text;
}

// A folder with setup.exe, a folder named tools, and the INI file under test.
class ExplainFolder {
 public:
  ExplainFolder() : path_(std::filesystem::temp_directory_path() / "perinax-explain-test") {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_ / "tools");
    std::ofstream(path_ / "setup.exe") << "MZ";
  }
  ~ExplainFolder() { std::filesystem::remove_all(path_); }

  std::filesystem::path Write(const std::string& bytes) const {
    std::ofstream(path_ / "Perinax.ini", std::ios::binary) << bytes;
    return path_ / "Perinax.ini";
  }
  ExplainOutput Run(std::vector<std::string> words) const {
    std::vector<std::wstring> wide;
    std::vector<std::filesystem::path> paths;
    for (const std::string& word : words) {
      wide.push_back(Utf16FromUtf8(word));
      paths.emplace_back(word);
    }
    return RunExplainer(wide, paths);
  }
  Explanation Explain(const std::string& bytes, const std::wstring& args = L"") const {
    Write(bytes);
    return ::Explain(IniReader::FromBytes(bytes), path_, L"C:\\Media\\Perinax.ini", args);
  }

 private:
  std::filesystem::path path_;
};

const std::string kClean = Section("Default");

// '|' between lines, as the tables write them, made into line ends.
std::string Lines(std::string text) {
  std::replace(text.begin(), text.end(), '|', '\n');
  return text;
}

}  // namespace

// Each row adds one mistake to a clean file; exactly its warnings must come back.
TEST(ExplainWarnings, OneRowAWarning) {
  const std::string big = Section("win7") + ";" + std::string(5000, 'x') + "\n";
  const struct {
    std::string ini;
    std::string expected;  // code@line of every warning, '|' between
    std::string says = "";
  } rows[] = {
      {kClean, ""},
      {"[Win7]\n" + kClean, "section-case@1", "[win7]"},
      {"[windows8_1]\n" + kClean, "section-case@1", "read [Default] instead"},
      {"[win10]\n" + kClean, "unused-section@1", "Windows 10 and 11 read [Default]"},
      {"[Defualt]\n" + kClean, "unused-section@1", "did you mean [Default]"},
      {Section("win7"), "no-default@1", "vista-x86, vista-x64"},
      {kClean + "SetupFlie=x.exe\n", "unknown-key@9", "did you mean SetupFile?"},
      {kClean + "RegPath64KeyVaule=1\n", "unknown-key@9", "did you mean RegPath64KeyValue?"},
      {"[Default]\nSetupFile=setup.exe\n",
       "missing-key@1|missing-key@1|missing-key@1|missing-key@1|missing-key@1|missing-key@1",
       "on vista-x64, win7-x64, win8-x64, win81-x64, win10-x64 nothing is written"},
      {kClean + "setupfile=other.exe\n", "duplicate-key@9", "first on line 2"},
      {kClean + "[default]\n", "duplicate-section@9", "first on line 1"},
      {"a=1\n\n" + kClean, "keys-before-section@1"},
      {Section("Default", "SOFTWARE\\V", "0x10"), "value-number@5|value-number@8", "(16)"},
      {Section("Default", "SOFTWARE\\V", "none"), "value-number@5|value-number@8", "stores 0"},
      {Section("Default", "SOFTWARE\\V", "42abc"), "value-number@5|value-number@8", "(42)"},
      {Section("Default", "SOFTWARE\\V", "4294967296"), "value-number@5|value-number@8",
       "0xFFFFFFFF"},
      {Section("Default", "SOFTWARE\\V", "-2147483649"), "value-number@5|value-number@8",
       "0x80000000"},
      {Section("Default", "HKLM\\SOFTWARE\\V"), "key-path@3|key-path@6", "HKLM\\HKLM\\SOFTWARE"},
      {Section("Default", "\\SOFTWARE\\V"), "key-path@3|key-path@6", "refuses"},
      {Section("Default", "SOFTWARE/V"), "key-path@3|key-path@6", "forward slash"},
      {Section("Default", ""), "key-path@3|key-path@6", "empty"},
      {Section("Default", "SOFTWARE\\wow6432node\\V"), "key-path@3|key-path@6"},
      {Section("Default", "SOFTWARE\\Wow6432Node\\Wow6432Node\\V"), "key-path@3|key-path@6",
       "(SOFTWARE\\Wow6432Node\\V is written)"},
      {Section("Default", "SOFTWARE\\V ; the key"), "inline-comment@3|inline-comment@6"},
      {Section("Default", std::string(300, 'K')), "long-value@3|long-value@6", "KKKK\""},
      {Section("Default", "SOFTWARE\\V", "1", "setup.exe /q"), "setup-file@2", "arguments"},
      {Section("Default", "SOFTWARE\\V", "1", "missing.exe"), "setup-file@2", "PATH"},
      {Section("Default", "SOFTWARE\\V", "1", "tools"), "setup-file@2", "folder"},
      {Section("Default", "SOFTWARE\\V", "1", ""), "setup-file@2", "empty"},
      {"\xEF\xBB\xBF" + Section("Default"), "encoding@1|keys-before-section@1|no-default@1",
       "Wine recognises"},
      {"\xFE\xFF", "encoding@1|keys-before-section@1|no-default@1", "big-endian"},
      {kClean + "; caf\xC3\xA9\n", "encoding@9", "ANSI code page"},
      {big + kClean, ""},
  };
  const ExplainFolder folder;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.ini.substr(0, 80));
    const Explanation explanation = folder.Explain(row.ini);
    std::vector<std::string> found;
    std::wstring messages;
    for (const Warning& warning : explanation.warnings) {
      found.push_back(warning.code + "@" + std::to_string(warning.line));
      messages += warning.message + L"\n";
    }
    EXPECT_EQ(Joined(found), row.expected) << Utf8FromUtf16(messages);
    EXPECT_NE(messages.find(Utf16FromUtf8(row.says)), std::wstring::npos)
        << Utf8FromUtf16(messages);
  }
}

// Section names past the 4,096 characters Perinax reads hide a version section, not [Default].
TEST(ExplainWarnings, AVersionSectionPastTheListOfNamesIsNeverChosen) {
  std::string ini;
  for (int i = 0; i < 17; ++i) ini += "[" + std::string(250, 'A' + i) + "]\n";
  ini += Section("win8") + Section("Default");
  const Explanation explanation = ExplainFolder().Explain(ini);
  ASSERT_EQ(explanation.warnings.size(), 18u);  // each long section is unused
  EXPECT_EQ(explanation.warnings[17].code, "section-list");
  EXPECT_EQ(explanation.warnings[17].line, 18u);
  EXPECT_EQ(explanation.cases[4].section, L"Default");  // win8-x86
}

TEST(ExplainWarnings, AFileOfNothingButMistakesGetsABoundedAnswer) {
  std::string ini;
  for (int i = 0; i < 1000; ++i) ini += "[S" + std::to_string(i) + "]\n";
  const Explanation explanation = ExplainFolder().Explain(ini);
  ASSERT_EQ(explanation.warnings.size(), 1 + kWarningsPerCode + 1);  // no-default, then the cap
  EXPECT_EQ(Utf8FromUtf16(explanation.warnings.back().message),
            "900 more warnings of this kind from here on are left out");
  EXPECT_EQ(explanation.warnings.back().line, 1 + kWarningsPerCode);
}

// The launcher's own trace for one case, up to the start, with the file's path as its INI path.
TEST(ExplainCase, TracesWhatPerinaxTracesUpToTheStart) {
  const ExplainFolder folder;
  const std::string ini =
      Section("Default") + Section("win8.1", "SOFTWARE\\Wow6432Node\\V", "63") +
      "[win7]\nSetupFile=tools\nRegPath32KeyPath=S\nRegPath32KeyName=N\nRegPath32KeyValue=7\n";
  const std::string file = folder.Write(ini).string();
  const struct {
    const char* name;
    std::string trace;
  } rows[] = {
      {"win81-x64",
       "OS version 100859913|CheckINISection win8.1|m_szReg64KeyPath SOFTWARE\\Wow6432Node\\V|"
       "SOFTWARE\\V|szRegPath SOFTWARE\\V|WriteToReg|X64|create|Write VUZA Value"},
      {"win7-x86", "OS version 100728832|CheckINISection win7|WriteToReg|Write VUZA Value"},
      {"win7-x64", "OS version 100728841|CheckINISection win7|No registry target in the INI file"},
      {"vista-x64",
       "OS version 100663305|m_szReg64KeyPath SOFTWARE\\V|Not find|szRegPath SOFTWARE\\V|"
       "WriteToReg|X64|create|Write VUZA Value"},
      {"probe-failed", "Failed to pLoc->ConnectServer.|OS version 255"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const ExplainOutput output = folder.Run({"--case", row.name, "--args", "/q \"a b\"", file});
    EXPECT_EQ(output.exitCode, 1);  // [win7] lacks keys
    EXPECT_EQ(output.out, "-----LoadINIFile file start-----\n" + file + "\n" + Lines(row.trace) +
                              "\n-----LoadINIFile file end-----\n"
                              "Setup CMD /q \"a b\"\nSetup CMD /q \"a b\"\n");
  }
}

TEST(ExplainOutput, TableRowsSayWhatEachCaseDoes) {
  const ExplainFolder folder;
  const std::string file =
      folder
          .Write(Section("Default") + Section("win8.1", "SOFTWARE\\Wow6432Node\\V", "63") +
                 "[win7]\nSetupFile=tools\nRegPath32KeyPath=S\nRegPath32KeyName=N\n")
          .string();
  const ExplainOutput output = folder.Run({file});
  for (const char* row : {
           "win7-x86      6.1 x86       [win7]     nothing (SetupFile names a folder): 1603  "
           "HKLM\\S  N = 0x00000000 (0)\n",
           "win7-x64      6.1 x64       [win7]     nothing (SetupFile names a folder): 1603  "
           "nothing written: no RegPath64KeyPath in [win7]\n",
           "win81-x86     6.3 x86       [win8.1]   setup.exe                                 "
           "HKLM\\SOFTWARE\\Wow6432Node\\V  N = 0x0000003F (63)\n",
           "win81-x64     6.3 x64       [win8.1]   setup.exe                                 "
           "32-bit view HKLM\\SOFTWARE\\V  N = 0x0000003F (63)\n",
           "probe-failed  not readable  [Default]  setup.exe                                 "
           "nothing written: the version cannot be read\n",
       }) {
    EXPECT_NE(output.out.find(row), std::string::npos) << row << output.out;
  }
}

TEST(ExplainOutput, JsonHoldsEveryCaseAndWarning) {
  const ExplainFolder folder;
  const std::string file =
      folder
          .Write(Section("Default") + Section("win8.1", "SOFTWARE\\Wow6432Node\\V", "63") +
                 "[Win7]\n")
          .string();
  const ExplainOutput output = folder.Run({"--json", file});
  EXPECT_EQ(output.exitCode, 1);
  const nlohmann::json json = nlohmann::json::parse(output.out);
  EXPECT_EQ(json["file"], file);
  ASSERT_EQ(json["cases"].size(), 11u);
  const nlohmann::json& win81 = json["cases"][7];
  EXPECT_EQ(win81["case"], "win81-x64");
  EXPECT_EQ(win81["windows"], "6.3");
  EXPECT_EQ(win81["section"], "win8.1");
  EXPECT_EQ(win81["setup_file"], "setup.exe");
  EXPECT_EQ(
      win81["registry"],
      nlohmann::json::parse(R"({"view": 32, "key": "SOFTWARE\\V", "name": "N", "value": 63})"));
  EXPECT_EQ(win81["trace"][1], file);
  EXPECT_EQ(win81["trace"].back(), "-----LoadINIFile file end-----");
  const nlohmann::json& failed = json["cases"][10];
  EXPECT_TRUE(failed["windows"].is_null());
  EXPECT_TRUE(failed["arch"].is_null());
  EXPECT_TRUE(failed["registry"].is_null());
  EXPECT_EQ(failed["nothing_written"], "the version cannot be read");
  ASSERT_EQ(json["warnings"].size(), 2u);
  EXPECT_EQ(json["warnings"][0]["code"], "key-path");  // Wow6432Node\ in the 32-bit path
  EXPECT_EQ(json["warnings"][1]["code"], "section-case");
  EXPECT_EQ(json["warnings"][1]["line"], 17);
}

TEST(ExplainOutput, ExitCodes) {
  const ExplainFolder folder;
  const std::string file = folder.Write(kClean).string();
  const std::string dir = std::filesystem::path(file).parent_path().string();
  const struct {
    std::vector<std::string> words;
    int exitCode;
    std::string err;
  } rows[] = {
      {{file}, 0, ""},
      {{"--json", "--case", "win10-x64", file}, 0, ""},
      {{}, 2, "perinax-explain: no FILE given\n"},
      {{"--case", "win11-x64", file}, 2, "perinax-explain: unknown case win11-x64\n"},
      {{"--frobnicate", file}, 2, "perinax-explain: unknown option --frobnicate\n"},
      {{file, file}, 2, "perinax-explain: only one FILE can be explained at a time\n"},
      {{"--args"}, 2, "perinax-explain: --args needs a value\n"},
      {{dir + "/missing.ini"},
       2,
       "perinax-explain: cannot read " + dir + "/missing.ini: no such file\n"},
      {{dir}, 2, "perinax-explain: cannot read " + dir + ": a folder\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Joined(row.words));
    const ExplainOutput output = folder.Run(row.words);
    EXPECT_EQ(output.exitCode, row.exitCode);
    EXPECT_EQ(output.err.substr(0, output.err.find('\n') + 1), row.err);
  }
}
