// perinax-explain over files of our own: one row a warning, then what each output says.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "perinax_version.h"
#include "recording_trace.h"
#include "tools/common/utf.h"
#include "tools/explain/cli/command_line.h"
#include "tools/explain/engine/explainer.h"

using namespace std::string_literals;

namespace {

// A section with all seven keys; the x86 and x64 targets share path, name and value text.
std::string Section(const std::string& name, const std::string& path = "SOFTWARE\\V",
                    const std::string& value = "1", const std::string& setup = "setup.exe") {
  std::string text = "[" + name + "]\nSetupFile=" + setup + "\n";
  for (const std::string bits : {"32", "64"})
    text += "RegPath" + bits + "KeyPath=" + path + "\nRegPath" + bits + "KeyName=N\nRegPath" +
            bits + "KeyValue=" + value + "\n";
  return text;
}

// A folder with setup.exe and a folder named tools, for the INI files under test.
const std::filesystem::path kFolder = std::filesystem::temp_directory_path() / "perinax-explain";

// A name in a folder of its own ("clean/Perinax.ini") gets setup.exe beside it.
std::string WriteIni(const std::string& name, const std::string& bytes) {
  std::filesystem::create_directories(kFolder / "tools");
  std::filesystem::create_directories((kFolder / name).parent_path());
  std::ofstream(kFolder / "setup.exe") << "MZ";
  std::ofstream((kFolder / name).parent_path() / "setup.exe") << "MZ";
  std::ofstream(kFolder / name, std::ios::binary) << bytes;
  return (kFolder / name).string();
}

// A file saved as UTF-16LE with its byte-order mark.
std::string Utf16Le(const std::string& utf8) {
  std::string bytes;
  for (const wchar_t c : L"\xFEFF" + Utf16FromUtf8(utf8)) bytes += {char(c & 0xFF), char(c >> 8)};
  return bytes;
}

ExplainOutput RunOn(const std::vector<std::string>& words) {
  std::vector<std::wstring> wide;
  std::vector<std::filesystem::path> paths;
  for (const std::string& word : words) {
    wide.push_back(Utf16FromUtf8(word));
    paths.emplace_back(word);
  }
  return RunExplainer(wide, paths);
}

}  // namespace

// Each row adds one mistake to a clean file; exactly its warnings must come back.
TEST(ExplainWarnings, OneRowAWarning) {
  const std::string clean = Section("Default");
  auto path = [](const std::string& p) { return Section("Default", p); };
  auto value = [](const std::string& v) { return Section("Default", "SOFTWARE\\V", v); };
  auto setup = [](const std::string& s) { return Section("Default", "SOFTWARE\\V", "1", s); };
  auto missing = [](int keys) {
    std::string found;
    for (int i = 0; i < keys; ++i) found += "|missing-key@1";
    return found;
  };
  // 17 sections of 250 characters fill the 4,096 of the list of names: [win8] is past it.
  std::string hidden, hiddenFound, many, manyFound = "no-default@1";
  for (int i = 1; i <= 17; ++i) {
    hidden += "[" + std::string(250, 'A' + i) + "]\n";
    hiddenFound += "unused-section@" + std::to_string(i) + "|";
  }
  for (int i = 1; i <= 1000; ++i) many += "[S" + std::to_string(i) + "]\n";
  for (std::size_t i = 1; i <= kWarningsPerCode; ++i)
    manyFound += "|unused-section@" + std::to_string(i);
  const std::tuple<std::string, std::string, std::string> rows[] = {
      {"[Win7]\n" + clean, "section-case@1" + missing(7), "[win7]"},
      {"[Defualt]\n" + clean, "unused-section@1", "did you mean [Default]"},
      {Section("win7"), "no-default@1", "vista-x86, vista-x64"},
      {clean + "SetupFlie=x.exe\n", "unknown-key@9", "did you mean SetupFile?"},
      {"[Default]\nSetupFile=setup.exe\n",
       "missing-key@1|missing-key@1|missing-key@1|missing-key@1|missing-key@1|missing-key@1",
       "on vista-x64, win7-x64, win8-x64, win81-x64, win10-x64 nothing is written"},
      // CRLF ends one line, CR or LF alone one each; a repeat ignores case.
      {clean + "\r\n\rsetupfile=other.exe\n", "duplicate-key@11", "first on line 2"},
      {clean + "[default]\n", "duplicate-section@9", "first on line 1"},
      {"a=1\n; c\n\nno equals\n" + clean, "keys-before-section@1", "2 lines (1 to 4)"},
      {value("0x10"), "value-number@5|value-number@8", "(16)"},
      {value("4294967296"), "value-number@5|value-number@8", "0xFFFFFFFF"},
      {path("HKLM\\SOFTWARE\\V"), "key-path@3|key-path@6", "HKLM\\HKLM\\SOFTWARE"},
      {path("\\SOFTWARE\\V"), "key-path@3|key-path@6", "refuses"},
      {path("SOFTWARE\\Wow6432Node\\Wow6432Node\\V"), "key-path@3|key-path@6",
       "(SOFTWARE\\Wow6432Node\\V is written)"},
      {path("SOFTWARE\\V ; the key"), "inline-comment@3|inline-comment@6", ""},
      {path(std::string(300, 'K')), "long-value@3|long-value@6", "KKKK\""},
      {setup("missing.exe"), "setup-file@2", "PATH"},
      {setup("tools"), "setup-file@2", "folder"},
      // A section no case reads has its keys checked all the same; not for missing ones when
      // nobody knows which cases it was meant for.
      {Section("Win7", "SOFTWARE\\V", "0x3D", "setup.exe /S") + clean,
       "section-case@1|setup-file@2|value-number@5|value-number@8", "[Win7] is not read today"},
      {"[Notes]\nSetupFlie=x.exe\nRegPath32KeyPath=HKLM\\S\n" + clean,
       "unused-section@1|unknown-key@2|key-path@3", "[Notes] is not read today"},
      {"[Win8]\nSetupFile=setup.exe\n" + clean, "section-case@1" + missing(6), "win8-x86"},
      // Empty key paths write nothing, as documented: nothing is said of what lies beside them.
      {"[Default]\nSetupFile=setup.exe\nRegPath32KeyPath=\nRegPath64KeyPath=\n", "", ""},
      {"[Default]\nSetupFile=setup.exe\nRegPath32KeyPath=\nRegPath32KeyValue=0x10\n"
       "RegPath64KeyPath=SOFTWARE\\V\nRegPath64KeyName=N\nRegPath64KeyValue=1\n",
       "", ""},
      {"[Default]\nSetupFile=setup.exe\nRegPath32KeyPath=\nRegPath64KeyPath=S\n",
       "missing-key@1|missing-key@1", "RegPath64KeyName"},
      // What starts, but does not do what the file means.
      {setup("install.ps1"), "setup-verb@2|setup-file@2", "powershell.exe"},
      {setup("notes.TXT"), "setup-verb@2|setup-file@2", "document"},
      {setup("settings.reg"), "setup-verb@2|setup-file@2", "reg.exe import"},
      {setup("HTTPS://example.com/setup.exe"), "setup-verb@2", "browser"},
      {setup("setup.exe.txt\\setup.exe"), "setup-file@2", ""},
      {setup("C:\\Windows\\System32\\cmd.exe"), "system32@2", "on vista-x64, win7-x64"},
      {setup("C:\\Windows\\System32x\\cmd.exe"), "", ""},
      {setup("C:\\Windows\\sysnative\\cmd.exe"), "system32@2", "vista-x86, win7-x86"},
      {setup("%TEMP%\\setup.exe"), "setup-variable@2", "%TEMP%"},
      {setup("100%.exe"), "setup-file@2", ""},
      // Network paths are the target's: never joined to the folder, never looked up.
      {setup("\\\\server\\share\\setup.exe"), "", ""},
      {setup("//server/share/setup.exe"), "", ""},
      {setup("install.cmd"), "script-32bit@2|setup-file@2", "Wow6432Node"},
      {Section("win7", "SOFTWARE\\V", "1", "x.bat") + clean, "script-32bit@2|setup-file@2",
       "on win7-x64 it"},
      {"\xEF\xBB\xBF" + clean, "encoding@1|keys-before-section@1|no-default@1", "Wine recognises"},
      {clean + "; caf\xC3\xA9\n", "encoding@9", "ANSI code page"},
      {Utf16Le(clean + "; caf\xC3\xA9\n"), "", ""},
      {"\xFE\xFF\0[\0S\0]"s, "encoding@1|keys-before-section@1|no-default@1", "big-endian"},
      {clean + "x\0=1\n"s, "encoding@9|unknown-key@9", "NUL"},
      {Section("win7") + ";" + std::string(5000, 'x') + "\n" + clean, "", ""},
      {hidden + Section("win8") + clean, hiddenFound + "section-list@18", "win8-x86"},
      {many, manyFound, "[S100] is never read"},
  };
  WriteIni("Perinax.ini", "");
  for (const auto& [ini, expected, says] : rows) {
    SCOPED_TRACE(ini.substr(0, 80));
    std::vector<std::string> found;
    std::wstring messages;
    const auto explanation =
        Explain({.bytes = ini, .file = L"C:\\Media\\Perinax.ini", .folder = kFolder});
    ASSERT_TRUE(explanation);
    for (const Finding& finding : explanation->findings) {
      found.push_back(InfoOf(finding.code).name + "@"s + std::to_string(finding.line()));
      messages += finding.message + L"\n";
    }
    EXPECT_EQ(Joined(found), expected) << Utf8FromUtf16(messages);
    EXPECT_NE(messages.find(Utf16FromUtf8(says)), std::wstring::npos) << Utf8FromUtf16(messages);
  }
  // Past the cap a code's findings are counted, never made into a finding of their own.
  const auto crowded = Explain({.bytes = many, .file = L"Perinax.ini"});
  ASSERT_EQ(crowded->leftOut.size(), 1u);
  EXPECT_EQ(crowded->leftOut[0].code, Code::kUnusedSection);
  EXPECT_EQ(crowded->leftOut[0].count, 900u);
  EXPECT_EQ(crowded->leftOut[0].firstLine, 101u);
  EXPECT_EQ(crowded->findingCount, 1001u);
  std::filesystem::remove_all(kFolder);
}

// Perinax reads Perinax.ini in any letter case, and no other name: a path of either system, or
// the name alone as the page has it.
TEST(ExplainWarnings, FileName) {
  const std::tuple<std::wstring, bool, std::wstring> rows[] = {
      {L"C:\\Media\\Perinax.ini.txt", true, L"Explorer hides"},
      {L"/media/perinax.ini.TXT", true, L"Explorer hides"},
      {L"Setup.ini", true, L"\"Setup.ini\""},
      {L"PERINAX.INI", false, L""},
      {L"C:\\Media\\perinax.ini", false, L""},
      {L"/media/x.txt/Perinax.ini", false, L""},
  };
  for (const auto& [file, drawn, says] : rows) {
    SCOPED_TRACE(Utf8FromUtf16(file));
    const auto explanation = Explain({.bytes = Section("Default"), .file = file});
    ASSERT_TRUE(explanation);
    const bool found =
        !explanation->findings.empty() && explanation->findings.front().code == Code::kFileName;
    EXPECT_EQ(found, drawn);
    if (found) {
      EXPECT_NE(explanation->findings.front().message.find(says), std::wstring::npos);
    }
  }
}

// Each row finds the first finding of its code, and where it lies on its line: the key
// name, the value inside its quotes, the section name inside its brackets, or the line
// alone. Columns count UTF-16 units of the text as Windows decodes it.
TEST(ExplainWarnings, RangeOnTheLine) {
  const std::string clean = Section("Default");
  const std::string smile = "\xF0\x9F\x98\x80";  // U+1F600: four ANSI characters, two UTF-16 units
  struct Row {
    std::string ini;
    Code code;
    std::uint32_t line, start, end;
  };
  const Row rows[] = {
      {clean + "  SetupFlie = x.exe\n", Code::kUnknownKey, 9, 3, 12},
      {"[Default]\rSetupFlie=x\n" + clean.substr(10), Code::kUnknownKey, 2, 1, 10},
      {clean + "\tsetupfile = other.exe\n", Code::kDuplicateKey, 9, 2, 11},
      {"[Default]\nSetupFile=setup.exe\n\tRegPath32KeyValue = \"0x10\"\n", Code::kValueNumber, 3,
       23, 27},
      {"[Default]\nSetupFile=setup.exe\n", Code::kMissingKey, 1, 2, 9},
      {"  [ Win7 ]\n" + clean, Code::kSectionCase, 1, 5, 9},
      {clean + "[default] ; again\n", Code::kDuplicateSection, 9, 2, 9},
      {clean + "[]\n", Code::kUnusedSection, 9, 2, 2},
      {clean + smile + "x=1\n", Code::kUnknownKey, 9, 1, 6},
      {Utf16Le(clean + smile + "x=1\n"), Code::kUnknownKey, 9, 1, 4},
      {Utf16Le("[Default]\nRegPath64KeyPath=" + smile + " ; c\n"), Code::kInlineComment, 2, 18, 24},
      {Section("win7"), Code::kNoDefault, 1, 1, 1},
      {"a=1\n" + clean, Code::kKeysBeforeSection, 1, 1, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.ini.substr(0, 80));
    const auto explanation = Explain({.bytes = row.ini, .file = L"Perinax.ini"});
    ASSERT_TRUE(explanation);
    const auto found = std::find_if(explanation->findings.begin(), explanation->findings.end(),
                                    [&](const Finding& f) { return f.code == row.code; });
    ASSERT_NE(found, explanation->findings.end()) << InfoOf(row.code).name;
    EXPECT_EQ(found->line(), row.line);
    EXPECT_EQ(found->column(), row.start);
    EXPECT_EQ(found->range.end.line, row.line);
    EXPECT_EQ(found->range.end.column, row.end);
  }
}

// Each row runs perinax-explain on its words and finds its text in what it writes (on standard
// error when it cannot check, exit code 2): a case's trace up to the start, rows of the table.
TEST(ExplainOutput, EachFormSaysWhatPerinaxDoes) {
  const std::string clean = WriteIni("clean/Perinax.ini", Section("Default"));
  const std::string file = WriteIni(
      "Perinax.ini", Section("Default") + Section("win8.1", "SOFTWARE\\Wow6432Node\\V", "63") +
                         "[win7]\nSetupFile=tools\nRegPath32KeyPath=\\S\nRegPath32KeyName=N\n");
  const std::string dir = kFolder.string();
  const std::tuple<std::vector<std::string>, int, std::string> rows[] = {
      {{"--case", "probe-failed", "--args", "/q \"a b\"", file},
       1,
       "\n| Failed to pLoc->ConnectServer.\n| OS version 255\n| -----LoadINIFile file end-----\n"
       "| Setup CMD /q \"a b\"\n| Setup CMD /q \"a b\"\n"},
      {{file},
       1,
       "win7-x86      6.1 x86       [win7]     nothing (SetupFile names a folder): 1603  "
       "nothing written: the registry refuses the key path\n"
       "win7-x64      6.1 x64       [win7]     nothing (SetupFile names a folder): 1603  "
       "nothing written: no RegPath64KeyPath in [win7]\n"},
      {{file},
       1,
       "win81-x86     6.3 x86       [win8.1]   setup.exe                                 "
       "HKLM\\SOFTWARE\\Wow6432Node\\V  N = 0x0000003F (63)\n"
       "win81-x64     6.3 x64       [win8.1]   setup.exe                                 "
       "32-bit view HKLM\\SOFTWARE\\V  N = 0x0000003F (63)  (regedit: "
       "HKLM\\SOFTWARE\\Wow6432Node\\V)\n"},
      {{file},
       1,
       "probe-failed  not readable  [Default]  setup.exe                                 "
       "nothing written: the version cannot be read\n"},
      {{clean}, 0, "win10-x64     10.0 x64      [Default]  setup.exe"},
      {{}, 2, "perinax-explain: no PATH given\n"},
      {{"--case", "win11-x64", file}, 2, "perinax-explain: unknown case win11-x64\n"},
      {{"--frobnicate", file}, 2, "perinax-explain: unknown option --frobnicate\nusage: "},
      {{"--format", "xml", file}, 2, "perinax-explain: unknown format xml"},
      {{"--version"}, 0, "perinax-explain " PERINAX_VERSION_TEXT "\n"},
      {{"--help"}, 0, "usage: perinax-explain [options] PATH...\n"},
      {{"--list-codes"}, 0, "keys-before-section  warning  Lines before the first section\n"},
      {{"--list-codes", "extra"}, 2, "--list-codes take no other words\n"},
      {{"--args"}, 2, "perinax-explain: --args needs a value\n"},
      {{dir + "/missing.ini"}, 2, "cannot read " + dir + "/missing.ini: no such file\n"},
      {{dir}, 1, dir + "/Perinax.ini:19: error: RegPath32KeyPath=\\S starts with a backslash"},
  };
  for (const auto& [words, exitCode, text] : rows) {
    SCOPED_TRACE(Joined(words));
    const ExplainOutput output = RunOn(words);
    EXPECT_EQ(output.exitCode, exitCode);
    EXPECT_NE((exitCode == 2 ? output.err : output.out).find(text), std::string::npos)
        << output.out << output.err;
  }

  // JSON: every case, null where the version is not known, and the warnings by line.
  nlohmann::json json = nlohmann::json::parse(RunOn({"--json", file}).out);
  EXPECT_EQ(json["file"], file);
  ASSERT_EQ(json["cases"].size(), 11u);
  // The trace goes on past the configuration phase to the start, with --args.
  const nlohmann::json& trace = json["cases"][7]["trace"];
  EXPECT_NE(std::find(trace.begin(), trace.end(), "-----LoadINIFile file end-----"), trace.end());
  EXPECT_EQ(trace.back(), "Setup CMD ");
  for (nlohmann::json& plan : json["cases"]) plan.erase("trace");
  EXPECT_EQ(json["cases"][7], nlohmann::json::parse(R"({"case": "win81-x64", "windows": "6.3",
      "arch": "x64", "section": "win8.1", "setup_file": "setup.exe",
      "registry": {"view": 32, "key": "SOFTWARE\\V", "name": "N", "value": 63}})"));
  EXPECT_EQ(json["cases"][10], nlohmann::json::parse(R"({"case": "probe-failed", "windows": null,
      "arch": null, "section": "Default", "setup_file": "setup.exe", "registry": null,
      "nothing_written": "the version cannot be read"})"));
  ASSERT_EQ(json["warnings"].size(), 7u);
  EXPECT_EQ(json["warnings"][6]["code"], "key-path");  // \S
  EXPECT_EQ(json["warnings"][6]["line"], 19);
  std::filesystem::remove_all(kFolder);
}

// What the forms say beyond the table: the count of every warning (folded ones
// too), the reason for exit code 1 under --case, a value name and key path as
// an author reads them, and a check without the folder.
TEST(ExplainOutput, CountsNamesAndFolder) {
  std::string many;
  for (int i = 1; i <= 300; ++i) many += "[S" + std::to_string(i) + "]\n";
  const std::string crowded = WriteIni("crowded/Perinax.ini", many + Section("Default"));
  EXPECT_NE(RunOn({crowded}).out.find("\n300 warnings\n"), std::string::npos);
  const ExplainOutput traced = RunOn({"--case", "win7-x64", crowded});
  EXPECT_EQ(traced.exitCode, 1);
  EXPECT_EQ(traced.err, "300 warnings: run without --case to see them\n");

  const std::string named =
      WriteIni("named/Perinax.ini",
               "[Default]\nSetupFile=missing.exe\nRegPath32KeyPath=SOFTWARE\\My App (x86)\n"
               "RegPath32KeyName=\nRegPath32KeyValue=1\nRegPath64KeyPath=SOFTWARE\\V\n"
               "RegPath64KeyName=a=b\nRegPath64KeyValue=1\n");
  const std::string table = RunOn({named}).out;
  EXPECT_NE(table.find("  \"HKLM\\SOFTWARE\\My App (x86)\"  (Default) = 0x00000001 (1)\n"),
            std::string::npos)
      << table;
  EXPECT_NE(table.find("64-bit view HKLM\\SOFTWARE\\V  \"a=b\" = "), std::string::npos) << table;

  // Without the folder, whether missing.exe is there stays unknown.
  const nlohmann::json blind = nlohmann::json::parse(RunOn({"--no-folder", "--json", named}).out);
  const nlohmann::json seen = nlohmann::json::parse(RunOn({"--json", named}).out);
  EXPECT_EQ(blind["folderChecked"], false);
  EXPECT_EQ(seen["folderChecked"], true);
  EXPECT_EQ(seen["warnings"].size(), 1u);
  EXPECT_EQ(seen["warnings"][0]["code"], "setup-file");
  EXPECT_EQ(blind["warnings"].size(), 0u);
  std::filesystem::remove_all(kFolder);
}

// A failure keeps its message on standard error in every form; the machine forms say it on
// standard output too, where a CI job reads them.
TEST(ExplainOutput, FailureOnStandardOutput) {
  const std::string missing = (kFolder / "missing.ini").string();
  const std::string message = "cannot read " + missing + ": no such file";
  for (const std::vector<std::string>& words :
       {std::vector<std::string>{missing}, {"--json", missing}, {"--format", "sarif", missing}}) {
    SCOPED_TRACE(Joined(words));
    const ExplainOutput output = RunOn(words);
    EXPECT_EQ(output.exitCode, 2);
    EXPECT_EQ(output.err, "perinax-explain: " + message + "\n");
    if (words.size() == 1) {
      EXPECT_EQ(output.out, "");
    } else if (words.size() == 2) {
      EXPECT_EQ(nlohmann::json::parse(output.out), nlohmann::json({{"failure", message}}));
    } else {
      const nlohmann::json run = nlohmann::json::parse(output.out)["runs"][0];
      EXPECT_EQ(run["results"], nlohmann::json::array());
      const nlohmann::json& invocation = run["invocations"][0];
      EXPECT_EQ(invocation["executionSuccessful"], false);
      EXPECT_EQ(invocation["toolExecutionNotifications"][0]["level"], "error");
      EXPECT_EQ(invocation["toolExecutionNotifications"][0]["message"]["text"], message);
    }
  }
  // The form asked for before a wrong word says it in its own way.
  EXPECT_EQ(nlohmann::json::parse(RunOn({"--json", "--frobnicate"}).out)["failure"],
            "unknown option --frobnicate");
}
