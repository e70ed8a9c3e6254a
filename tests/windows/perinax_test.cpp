// The real Perinax.exe under Wine, started under the trace viewer from the folder that holds its
// Perinax.ini, with the demo setup program as setup.exe. Every run is checked whole: each trace
// line, what the setup program received, its exit code, and the registry value in each view.

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>

#include "wine_support.h"

namespace {

constexpr DWORD kFailed = 1603;  // the setup program could not be started
const std::wstring kStart = L"-----LoadINIFile file start-----";
const std::wstring kEnd = L"-----LoadINIFile file end-----";

template <typename Text>
Text Replaced(Text text, const Text& from, const Text& to) {
  for (auto at = text.find(from); at != Text::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// Wine may pass debug strings through the ANSI code page: lines are compared after that trip.
std::wstring Ansi(const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (const std::wstring& line : lines) text += line + L"\n";
  return wine::Wide(wine::Narrow(text, CP_ACP), CP_ACP);
}

// Runs Perinax.exe with the argument text from dir and checks that it traces the configuration
// phase (an expected line ending in '*' stands for any line that starts so), then the argument
// text twice and, unless the start failed, the start, the wait and the exit code.
void RunAndCheck(const std::wstring& dir, std::vector<std::wstring> trace, const std::wstring& args,
                 DWORD code) {
  CopyFileW((wine::kBuildDir + L"/tools/perinax-demo-setup.exe").c_str(),
            wine::Long(dir + L"\\setup.exe").c_str(), FALSE);
  DeleteFileW(wine::Long(dir + L"\\setup-received.txt").c_str());
  wine::Traced run = wine::RunTraced(dir, args);
  EXPECT_EQ(run.code, code);
  const std::wstring setupLine = (L"Setup CMD " + args).substr(0, 259);
  trace.insert(trace.end(), {setupLine, setupLine});
  if (code != kFailed) {
    trace.insert(trace.end(), {L"CreateProcess", L"WaitForSingleObject",
                               code == STILL_ACTIVE ? L"Still running"
                                                    : L"Exit Code " + std::to_wstring(int(code))});
  }
  for (std::size_t i = 0; i < trace.size() && i < run.trace.size(); ++i) {
    const std::wstring& line = trace[i];
    if (line.ends_with(L'*') && run.trace[i].starts_with(line.substr(0, line.size() - 1))) {
      run.trace[i] = line;
    }
  }
  EXPECT_EQ(Ansi(run.trace), Ansi(trace));
  EXPECT_EQ(wine::ReadBytes(dir + L"\\setup-received.txt"),
            code != kFailed ? std::optional(wine::Narrow(args)) : std::nullopt);
}

std::string Utf16Le(const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (const wchar_t c : text) bytes += {char(c & 0xFF), char(c >> 8)};
  return bytes;
}

struct Explained {
  const char* file;
  const wine::WindowsVersion& version;
  std::wstring args;
  DWORD code;
  bool keyExists = false;  // the key is there before the run, so it is opened, not created
};

}  // namespace

// perinax-explain's plan for one case (this prefix's architecture at a version Wine shows) is what
// Perinax.exe then traces and writes. Where Wine and Windows read a file differently the explainer
// follows Windows; such files are pinned on the host (a UTF-8 mark before a section header, keys
// before any section, ';' lines, a missing ']'). The one UTF-8-marked file starts with a comment.
TEST(Perinax, TracesAndWritesAtEachVersionWhatTheExplainerPredicts) {
  const std::wstring longName(240, L'L');
  const std::map<std::string, std::string> files = {
      {"example", Replaced(wine::ReadBytes(Replaced(std::wstring(L"Z:" PERINAX_SOURCE_DIR
                                                                 "/examples/Perinax.ini"),
                                                    std::wstring(L"/"), std::wstring(L"\\")))
                               .value_or(""),
                           std::string("perinax-demo.msi"), std::string("setup.exe"))},
      // Near misses of the version sections, repeats, and value texts and key paths that are
      // probably mistakes; [Default] has no x64 target.
      {"mistakes",
       "stray=1\r\n[Win7]\r\nSetupFile=setup.exe\r\n"
       "[win8]\r\nSetupFile=setup.exe /q\r\nRegPath32KeyPath=HKLM\\SOFTWARE\\PerinaxExplainA\r\n"
       "RegPath32KeyName=Stage\r\nRegPath32KeyValue=0x10\r\n"
       "RegPath64KeyPath=SOFTWARE\\wow6432node\\PerinaxExplainA\r\n"
       "RegPath64KeyName=\"Stage ; note\"\r\nRegPath64KeyValue= 42abc\r\nRegPath64KeyValue=5\r\n"
       "[WIN8]\r\nSetupFile=other.exe\r\n"
       "[win8.1]\r\nsetupfile = setup.exe \r\nRegPath32KeyPath=\\SOFTWARE\\PerinaxExplainA\r\n"
       "RegPath32KeyName=Stage\r\nRegPath32KeyValue=99999999999\r\n"
       "RegPath64KeyPath=SOFTWARE\\Wow6432Node\\Wow6432Node\\PerinaxExplainA\r\n"
       "RegPath64KeyName=Stage\r\nRegPath64KeyValue=-1\r\n"
       "[Default]\r\nSetupFile=setup.exe\r\nRegPath32KeyPath=SOFTWARE\\PerinaxExplainA/Slash\r\n"
       "RegPath32KeyName=Stage\r\nRegPath32KeyValue=-2147483649\r\n"},
      // UTF-16LE beyond ASCII, quotes, blanks, a repeated section, a key path cut at 259
      // characters and an empty value name (the key's default value).
      {"unicode",
       Utf16Le(
           L"[Default]\r\nSetupFile=\"setup.exe\"\r\nRegPath32KeyPath=SOFTWARE\\PerinaxB\\" +
           longName + L"\r\nRegPath32KeyName=Gr\u00f6\u00dfe\r\nRegPath32KeyValue=7\r\n" +
           L"  RegPath64KeyPath = 'SOFTWARE\\PerinaxB\\\u00dcn\u00efcode'\r\n"
           L"RegPath64KeyName=\r\nRegPath64KeyValue=+8\r\n[DEFAULT]\r\nRegPath64KeyValue=9\r\n")},
      // Only [win7]: every other version reads a missing [Default].
      {"no default",
       "\xEF\xBB\xBF; a comment on the first line\r\n[win7]\r\nSetupFile=setup.exe\r\n"
       "RegPath32KeyPath=SOFTWARE\\PerinaxC\r\nRegPath32KeyName=Seven\r\n"
       "RegPath32KeyValue=7\r\nRegPath64KeyPath=SOFTWARE\\PerinaxC\r\n"
       "RegPath64KeyName=Seven\r\nRegPath64KeyValue=7\r\n"},
  };
  const Explained runs[] = {
      {"example", wine::kVista, L"/S /v\"/qn REBOOT=ReallySuppress\" /exitcode=1", 1},
      {"example", wine::kWin7, L"a\tb  c \"d  e\" /exitcode=3010", 3010, true},
      {"example", wine::kWin8, L"/exitcode=0 Gr\u00fc\u00dfe \u0395\u03bb\u03bb\u03ac\u03b4\u03b1",
       0},
      {"example", wine::kWin81, L"/exitcode=-1", 0xFFFFFFFF},
      {"example", wine::kWin10, L"/exitcode=259 \"C:\\Program Files\\x\"", 259},
      {"mistakes", wine::kWin7, L"", 0},
      {"mistakes", wine::kWin8, L"/q", kFailed},
      {"mistakes", wine::kWin81, L"/exitcode=2", 2},
      {"unicode", wine::kWin10, L"/exitcode=4", 4},
      {"no default", wine::kWin7, L"/exitcode=6", 6},
      {"no default", wine::kVista, L"", kFailed},
  };
  const bool win64 = wine::IsWin64Prefix();
  for (const Explained& run : runs) {
    const std::string caseName = wine::Narrow(run.version.wineName) + (win64 ? "-x64" : "-x86");
    SCOPED_TRACE(std::string(run.file) + ", " + caseName);
    const wine::TempFolder folder(L"perinax " + wine::Wide(run.file));
    wine::WriteBytes(folder / L"Perinax.ini", files.at(run.file));
    ASSERT_LE(wine::Run(L"\"" + wine::kBuildDir + L"/tools/perinax-explain.exe\" --json --case " +
                            wine::Wide(caseName) + L" Perinax.ini",
                        folder.path, folder / L"plan.json"),
              1u);
    const nlohmann::json plan =
        nlohmann::json::parse(wine::ReadBytes(folder / L"plan.json").value_or("{}"))["cases"][0];
    std::vector<std::wstring> trace;
    for (const auto& line : plan["trace"]) {
      trace.push_back(wine::Wide(line.get<std::string>()));
      if (trace.back() == kEnd) break;
    }
    const nlohmann::json& written = plan["registry"];
    const std::wstring key =
        written.is_null() ? L"" : wine::Wide(written["key"].get<std::string>());
    const std::wstring name =
        written.is_null() ? L"" : wine::Wide(written["name"].get<std::string>());
    const bool view64 = win64 && !written.is_null() && written["view"] == 64;
    const bool view32 = win64 && !written.is_null() && written["view"] == 32;
    if (!key.empty()) wine::RemoveMachineKey(key);
    if (run.keyExists) {
      HKEY made = nullptr;
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                      KEY_WRITE | (view64   ? KEY_WOW64_64KEY
                                   : view32 ? KEY_WOW64_32KEY
                                            : 0),
                      nullptr, &made, nullptr);
      RegCloseKey(made);
      for (std::wstring& line : trace) {
        if (line == L"create") line = L"open";
        if (!win64 && line == L"Write VUZA Value") line = L"win 7 Write VUZA Value";
      }
    }
    const wine::UserSetting shown(wine::kAppDefaults + L"Perinax.exe", L"Version",
                                  run.version.wineName);
    RunAndCheck(folder.path, trace, run.args, run.code);
    if (key.empty()) continue;
    // The value lands in the view the plan names, and only there (a path that still holds
    // Wow6432Node\ names the 32-bit storage in either view).
    const DWORD view = view64 ? RRF_SUBKEY_WOW6464KEY : view32 ? RRF_SUBKEY_WOW6432KEY : 0;
    EXPECT_EQ(wine::MachineDword(key, name, view), std::optional(written["value"].get<DWORD>()));
    if (win64 && key.find(L"6432") == std::wstring::npos) {
      EXPECT_FALSE(
          wine::MachineDword(key, name, view64 ? RRF_SUBKEY_WOW6432KEY : RRF_SUBKEY_WOW6464KEY));
    }
    wine::RemoveMachineKey(key);
  }
}

// What only the platform decides: the current directory and the files in it, a document with no
// program to open it, WMI switched off, a crash, a long wait and the longest argument text.
TEST(Perinax, EndsWithTheSetupProgramsExitCodeOrFailsWholeOnTheRealPlatform) {
  const wine::UserSetting noCrashDialog(L"Software\\Wine\\WineDbg", L"ShowCrashDialog", DWORD{0});
  const wine::UserSetting shown(wine::kAppDefaults + L"Perinax.exe", L"Version", L"win7");
  const wine::TempFolder folder(L"perinax platform");
  const std::wstring fits = folder / std::wstring(246 - folder.path.size(), L'd');
  const std::wstring os =
      L"OS version " + std::to_wstring(wine::IsWin64Prefix() ? 0x06010009 : 0x06010000);
  const std::wstring none = L"No registry target in the INI file";
  // No value is written: the run's trace is the same on x86 and x64. $D is the current directory.
  const std::string ini =
      "[Default]\r\nSetupFile=$D\\setup.exe\r\nRegPath32KeyPath=\r\nRegPath64KeyPath=\r\n";
  struct Row {
    const wchar_t* label;
    std::wstring dir;                 // the current directory
    std::optional<std::string> file;  // Perinax.ini, or none
    std::wstring args;
    DWORD code;
    std::vector<std::wstring> phase;  // after the INI path
    const wchar_t* made = nullptr;    // a folder made in dir
  };
  std::wstring longest = L"/exitcode=9";
  while (longest.size() < 32766 - 3 - (fits.size() + 10)) longest += L" \"a b\" c\u00e9";
  longest.resize(32766 - 3 - (fits.size() + 10));  // the setup program's command line just fits
  const Row rows[] = {
      {L"root", L"C:\\", ini, L"/exitcode=3", 3, {os, L"CheckINISection win7", none}},
      {L"fits", fits, ini, L"/exitcode=7", 7, {os, L"CheckINISection win7", none}},
      // A cut path would name Perinax.in: it is not read, nor is the file a folder too long holds.
      {L"cut",
       fits + L"d",
       "[Default]\r\nSetupFile=setup.exe\r\n",
       L"/q",
       kFailed,
       {L"Please check the path of INI file!", os, L"CheckINISection win7", none}},
      {L"no file",
       folder.path,
       std::nullopt,
       L"/q",
       kFailed,
       {L"Please check the path of INI file!", os, L"CheckINISection win7", none}},
      {L"INI folder",
       folder.path,
       std::nullopt,
       L"/q",
       kFailed,
       {os, L"CheckINISection win7", none},
       L"Perinax.ini"},
      {L"folder",
       folder.path,
       "[Default]\r\nSetupFile=sub\r\nRegPath32KeyPath=\r\nRegPath64KeyPath=\r\n",
       L"/q",
       kFailed,
       {os, L"CheckINISection win7", none},
       L"sub"},
      {L"document",
       folder.path,
       Replaced(ini, std::string("setup.exe"), std::string("x.perinaxbad")),
       L"/q",
       kFailed,
       {os, L"CheckINISection win7", none}},
      {L"crash",
       folder.path,
       ini,
       L"/crash",
       EXCEPTION_ACCESS_VIOLATION,
       {os, L"CheckINISection win7", none}},
      {L"sleep",
       folder.path,
       ini,
       L"/sleep=1500 /exitcode=5",
       5,
       {os, L"CheckINISection win7", none}},
      {L"longest", fits, ini, longest, 9, {os, L"CheckINISection win7", none}},
  };
  std::filesystem::create_directories(wine::Long(fits + L"d"));
  wine::WriteBytes(fits + L"d\\Perinax.in", "[Default]\r\nSetupFile=setup.exe\r\n");
  for (const Row& row : rows) {
    SCOPED_TRACE(wine::Narrow(row.label));
    std::error_code exists;
    std::filesystem::create_directories(wine::Long(row.dir), exists);
    const std::wstring inDir = row.dir.back() == L'\\' ? row.dir : row.dir + L"\\";
    if (row.file)
      wine::WriteBytes(inDir + L"Perinax.ini",
                       Replaced(*row.file, std::string("$D"), wine::Narrow(row.dir)));
    if (row.made) std::filesystem::create_directory(wine::Long(inDir + row.made));
    wine::WriteBytes(inDir + L"x.perinaxbad", "a document of no known type");
    std::vector<std::wstring> trace = {kStart, (row.dir + L"\\Perinax.ini").substr(0, 259)};
    trace.insert(trace.end(), row.phase.begin(), row.phase.end());
    trace.push_back(kEnd);
    RunAndCheck(row.dir, trace, row.args, row.code);
    for (const wchar_t* name :
         {L"Perinax.ini", L"setup.exe", L"setup-received.txt", L"x.perinaxbad"}) {
      DeleteFileW(wine::Long(inDir + name).c_str());
    }
    if (row.made) std::filesystem::remove(wine::Long(inDir + row.made));
  }

  // Without WMI the version is unknown: Default is read and nothing is written.
  const wine::UserSetting noWmi(wine::kAppDefaults + L"Perinax.exe\\DllOverrides", L"wbemprox",
                                L"");
  wine::WriteBytes(folder / L"Perinax.ini",
                   "[win7]\r\nSetupFile=missing.exe\r\n" +
                       Replaced(ini, std::string("$D"), wine::Narrow(folder.path)));
  RunAndCheck(folder.path,
              {kStart, folder / L"Perinax.ini", L"Failed to*", L"OS version 255", kEnd},
              L"/exitcode=7", 7);
}
