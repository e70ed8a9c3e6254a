// The real Perinax.exe under Wine, started under the trace viewer from the folder that holds its
// Perinax.ini, with the demo setup program as setup.exe. Every run is checked whole: each trace
// line, what the setup program received, its exit code, and the registry value in each view.

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <tuple>

#include "wine_support.h"

namespace {

constexpr DWORD kFailed = 1603;  // the setup program could not be started
const std::wstring kStart = L"-----LoadINIFile file start-----";
const std::wstring kEnd = L"-----LoadINIFile file end-----";

// Wine may pass debug strings through the ANSI code page: lines are compared after that trip.
std::wstring Ansi(const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (const std::wstring& line : lines) text += line + L"\n";
  return wine::Wide(wine::Narrow(text, CP_ACP), CP_ACP);
}

// The viewer shows each control character of a line on standard output as an escape (a tab as
// \x09); the line ends between the lines stay.
std::wstring Shown(const std::wstring& lines) {
  std::wstring shown;
  for (const wchar_t c : lines) {
    if (c >= L' ' || c == L'\n') {
      shown.push_back(c);
    } else {
      wchar_t escape[8];
      swprintf(escape, 8, L"\\x%02x", unsigned(c));
      shown += escape;
    }
  }
  return shown;
}

// Runs Perinax.exe with the argument text from dir and checks that it traces the configuration
// phase, then the start (wine::StartTrace), and that the setup program received the argument text.
void RunAndCheck(const std::wstring& dir, const std::vector<std::wstring>& trace,
                 const std::wstring& args, DWORD code) {
  CopyFileW((wine::kBuildDir + L"/tools/perinax-demo-setup.exe").c_str(),
            wine::Long(dir + L"\\setup.exe").c_str(), FALSE);
  DeleteFileW(wine::Long(dir + L"\\setup-received.txt").c_str());
  const auto [exitCode, printed] = wine::RunTraced(dir, args);
  EXPECT_EQ(exitCode, code);
  EXPECT_EQ(Ansi(printed),
            Shown(Ansi(trace) + Ansi(wine::StartTrace(args, code, code != kFailed))));
  EXPECT_EQ(wine::ReadBytes(dir + L"\\setup-received.txt"),
            code != kFailed ? std::optional(wine::Narrow(args)) : std::nullopt);
}

}  // namespace

// perinax-explain's plan for one case (this prefix's architecture at a version Wine shows) is what
// Perinax.exe then traces and writes. Files Wine reads unlike Windows (which the explainer follows)
// are pinned on the host: a UTF-8 mark, keys before any section, ';' lines, a missing ']'.
TEST(Perinax, TracesAndWritesAtEachVersionWhatTheExplainerPredicts) {
  // The example, marked as UTF-8 (it starts with a comment), to start the demo setup program.
  const std::string example = std::regex_replace(
      "\xEF\xBB\xBF" + *wine::ReadBytes(L"Z:" PERINAX_SOURCE_DIR "/examples/Perinax.ini"),
      std::regex("perinax-demo\\.msi"), "setup.exe");
  const std::wstring utf16 =
      L"\xFEFF[Default]\r\nSetupFile=\"setup.exe\"\r\nRegPath32KeyPath=SOFTWARE\\PerinaxB\\" +
      std::wstring(240, L'L') +
      L"\r\nRegPath32KeyName=Gr\u00f6\u00dfe\r\nRegPath32KeyValue=0x\uff11\uff21\r\n" +
      L"  RegPath64KeyPath = 'SOFTWARE\\PerinaxB\\\u00dcn\u00efcode'\r\n"
      L"RegPath64KeyName=\r\nRegPath64KeyValue=+8\r\n[DEFAULT]\r\nRegPath64KeyValue=9\r\n";
  const std::map<std::string, std::string> files = {
      {"example", example},
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
      // characters, an empty value name (the key's default value) and a value in full-width
      // hexadecimal digits (which the Windows runtime's iswxdigit takes).
      {"unicode", std::string(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2)},
  };
  // The file, the version as Wine names it, the argument text, the exit code, and whether the row
  // before left the key there.
  const std::tuple<const char*, const wchar_t*, std::wstring, DWORD, bool> runs[] = {
      {"example", L"vista", L"/S /v\"/qn REBOOT=ReallySuppress\" /exitcode=1", 1, false},
      {"example", L"win7", L"a\tb  c \"d  e\" /exitcode=3010", 3010, true},
      {"example", L"win8", L"/exitcode=0 Gr\u00fc\u00dfe \u0395\u03bb\u03bb\u03ac\u03b4\u03b1", 0,
       false},
      {"example", L"win81", L"/exitcode=-1", 0xFFFFFFFF, false},
      {"example", L"win10", L"/exitcode=259 \"C:\\Program Files\\x\"", 259, false},
      {"mistakes", L"win7", L"", 0, false},
      {"mistakes", L"win8", L"/q", kFailed, false},
      {"mistakes", L"win81", L"/exitcode=2", 2, false},
      {"unicode", L"win10", L"/exitcode=4", 4, false},
  };
  const bool win64 = wine::kWin64Prefix;
  for (const auto& [file, version, args, code, keyLeft] : runs) {
    const std::string caseName = wine::Narrow(version) + (win64 ? "-x64" : "-x86");
    SCOPED_TRACE(std::string(file) + ", " + caseName);
    const wine::TempFolder folder(L"perinax " + wine::Wide(file));
    wine::WriteBytes(folder / L"Perinax.ini", files.at(file));
    ASSERT_LE(wine::Run(L"\"" + wine::kBuildDir + L"/tools/perinax-explain.exe\" --json --case " +
                            wine::Wide(caseName) + L" Perinax.ini",
                        folder.path, folder / L"plan.json"),
              1u);
    const nlohmann::json plan =
        nlohmann::json::parse(wine::ReadBytes(folder / L"plan.json").value_or("{}"))["cases"][0];
    std::vector<std::wstring> trace;
    for (const auto& line : plan["trace"]) {
      std::wstring text = wine::Wide(line.get<std::string>());
      if (keyLeft && text == L"create") text = L"open";  // a key that is there is opened
      if (keyLeft && !win64 && text == L"Write VUZA Value") text = L"win 7 Write VUZA Value";
      trace.push_back(text);
      if (text == kEnd) break;  // the start is Perinax's own
    }
    const auto written = plan["registry"].is_null() ? nlohmann::json::object() : plan["registry"];
    const std::wstring key = wine::Wide(written.value("key", "")),
                       name = wine::Wide(written.value("name", ""));
    const int view = win64 ? written.value("view", 0) : 0;  // 0: the only one, on x86
    const DWORD rrf = view == 64 ? RRF_SUBKEY_WOW6464KEY : view == 32 ? RRF_SUBKEY_WOW6432KEY : 0;
    if (!keyLeft) wine::RemoveMachineKey(key);
    const wine::PerinaxSetting shown(L"Version", version);
    RunAndCheck(folder.path, trace, args, code);
    if (key.empty()) continue;
    // The value lands in the view the plan names, and only there (Wow6432Node\ in a path names
    // the 32-bit storage in either view).
    EXPECT_EQ(wine::MachineDword(key, name, rrf), std::optional(written["value"].get<DWORD>()));
    if (win64 && key.find(L"6432") == std::wstring::npos) {  // SOFTWARE is kept twice
      EXPECT_FALSE(
          wine::MachineDword(key, name, rrf ^ (RRF_SUBKEY_WOW6464KEY | RRF_SUBKEY_WOW6432KEY)));
    }
  }
}

// What only the platform decides: the current directory and the files in it, a document with no
// program, a crash, the longest argument text, WMI switched off; no value, so x86 and x64 agree.
TEST(Perinax, EndsWithTheSetupProgramsExitCodeOrFailsWholeOnTheRealPlatform) {
  const wine::PerinaxSetting shown(L"Version", L"win7");
  const wine::TempFolder folder(L"perinax platform");
  const std::wstring fits = folder / std::wstring(246 - folder.path.size(), L'd');
  const auto ini = [](const std::string& setupFile) {
    return "[Default]\r\nSetupFile=" + setupFile + "\r\nRegPath32KeyPath=\r\nRegPath64KeyPath=\r\n";
  };
  std::wstring longest = L"/exitcode=9";
  while (longest.size() < 32766 - 3 - (fits.size() + 10)) longest += L" \"a b\" c\u00e9";
  longest.resize(32766 - 3 - (fits.size() + 10));  // the setup program's command line just fits
  // The current directory, Perinax.ini in it or none, the argument text, the exit code, and
  // whether the file counts as missing (a folder named Perinax.ini does not).
  const std::tuple<std::wstring, std::optional<std::string>, std::wstring, DWORD, bool> rows[] = {
      {L"C:\\", ini("setup.exe"), L"/exitcode=3", 3, false},
      {folder.path, std::nullopt, L"/q", kFailed, true},
      {folder / L"ini", std::nullopt, L"/q", kFailed, false},
      {folder.path, ini("C:\\windows"), L"/q", kFailed, false},   // a folder
      {folder.path, ini("x.perinaxbad"), L"/q", kFailed, false},  // no program for it
      {folder.path, ini("setup.exe"), L"/crash", EXCEPTION_ACCESS_VIOLATION, false},
      {fits, ini(wine::Narrow(fits + L"\\setup.exe")), longest, 9, false},
  };
  for (const std::wstring& dir : {fits, folder / L"ini", folder / L"ini\\Perinax.ini"})
    CreateDirectoryW(wine::Long(dir).c_str(), nullptr);
  wine::WriteBytes(folder / L"x.perinaxbad", "a document of no known type");
  for (const auto& [dir, file, args, code, missing] : rows) {
    SCOPED_TRACE(wine::Narrow(dir) + ", " + file.value_or("no Perinax.ini").substr(0, 40));
    const std::wstring in = dir.back() == L'\\' ? dir : dir + L"\\";
    if (file) wine::WriteBytes(in + L"Perinax.ini", *file);
    std::vector<std::wstring> trace = {kStart, dir + L"\\Perinax.ini"};
    if (missing) trace.push_back(L"Please check the path of INI file!");
    trace.insert(trace.end(),
                 {L"OS version " + std::to_wstring(wine::kWin64Prefix ? 0x06010009 : 0x06010000),
                  L"CheckINISection win7", L"No registry target in the INI file", kEnd});
    RunAndCheck(dir, trace, args, code);
    for (const wchar_t* name : {L"Perinax.ini", L"setup.exe", L"setup-received.txt"})
      DeleteFileW(wine::Long(in + name).c_str());
  }

  // Without WMI (its DLL switched off) the version is unknown: Default is read.
  const wine::PerinaxSetting noWmi(L"wbemprox", L"", L"\\DllOverrides");
  wine::WriteBytes(folder / L"Perinax.ini",
                   "[win7]\r\nSetupFile=missing.exe\r\n" + ini("setup.exe"));
  RunAndCheck(folder.path,
              {kStart, folder / L"Perinax.ini",
               L"Failed to create IWbemLocator object. hres = 0x80070005", L"OS version 255", kEnd},
              L"/exitcode=7", 7);
}

// A SetupFile the INI file did not give whole is never searched for: with a program called
// Unknow in the folder and on the PATH, no INI file, a section without the key, and a value whose
// cut first 259 characters name a program that exists all end with 1603 and start nothing.
TEST(Perinax, StartsNothingTheIniFileDidNotNameWhole) {
  const wine::PerinaxSetting shown(L"Version", L"win10");  // "10.0" reads as 0x10
  const wine::TempFolder folder(L"perinax unnamed"), onPath(L"perinax unnamed path");
  const std::wstring demo = wine::kBuildDir + L"/tools/perinax-demo-setup.exe";
  for (const std::wstring& dir : {folder.path, onPath.path}) {
    for (const wchar_t* name : {L"\\Unknow.exe", L"\\Unknow", L"\\Unknow.com"})
      CopyFileW(demo.c_str(), wine::Long(dir + name).c_str(), FALSE);
  }
  const std::wstring cut = folder / std::wstring(259 - folder.path.size() - 5, L'c') + L".exe";
  ASSERT_EQ(cut.size(), 259u);
  CopyFileW(demo.c_str(), wine::Long(cut).c_str(), FALSE);
  wchar_t path[32767] = {};
  GetEnvironmentVariableW(L"PATH", path, 32767);
  SetEnvironmentVariableW(L"PATH", (onPath.path + L";" + path).c_str());

  const std::string targets = "RegPath32KeyPath=\r\nRegPath64KeyPath=\r\n";
  const std::optional<std::string> rows[] = {
      std::nullopt,
      "[Default]\r\n" + targets,
      "[Default]\r\nSetupFile=" + wine::Narrow(cut) + std::string(25, 'x') + "\r\n" + targets,
  };
  for (const auto& file : rows) {
    SCOPED_TRACE(file.value_or("no Perinax.ini").substr(0, 40));
    DeleteFileW(wine::Long(folder / L"Perinax.ini").c_str());
    if (file) wine::WriteBytes(folder / L"Perinax.ini", *file);
    std::vector<std::wstring> trace = {kStart, folder / L"Perinax.ini"};
    if (!file) trace.push_back(L"Please check the path of INI file!");
    trace.insert(trace.end(),
                 {L"OS version " + std::to_wstring(wine::kWin64Prefix ? 0x10000009 : 0x10000000),
                  L"No registry target in the INI file", kEnd});
    RunAndCheck(folder.path, trace, L"/exitcode=0", kFailed);
    EXPECT_FALSE(wine::ReadBytes(onPath / L"setup-received.txt"));
  }
  SetEnvironmentVariableW(L"PATH", path);
}
