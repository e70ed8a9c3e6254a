// The real Perinax.exe under Wine, fed bad input: whatever its INI file, folder, settings, setup
// program or argument text, it ends, traces a well-formed run, starts the setup program or not as
// it should, writes no value nobody asked for, and hands back the setup program's exit code.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "wine_support.h"

namespace {

constexpr DWORD kFailed = 1603;  // the setup program could not be started
const std::wstring kKeys = L"SOFTWARE\\PerinaxBad";
const std::wstring kEnd = L"-----LoadINIFile file end-----";
const std::wstring kNone = L"CheckINISection win7|No registry target in the INI file";
const std::wstring kWin7 = L"CheckINISection win7|WriteToReg";

// A section with all seven keys; both targets name the key path, value name and value text.
// $K stands for the case's key, $D for its folder.
std::string Section(const std::string& name, const std::string& setupFile = "setup.exe",
                    const std::string& value = "1", const std::string& valueName = "v",
                    const std::string& keyPath = "$K") {
  std::string text = "[" + name + "]\r\nSetupFile=" + setupFile + "\r\n";
  for (const std::string bits : {"32", "64"}) {
    text += "RegPath" + bits + "KeyPath=" + keyPath + "\r\nRegPath" + bits +
            "KeyName=" + valueName + "\r\nRegPath" + bits + "KeyValue=" + value + "\r\n";
  }
  return text;
}

template <typename Text>
Text Replaced(Text text, const Text& from, const Text& to) {
  for (auto at = text.find(from); at != Text::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

bool CopySetup(const std::wstring& to) {
  return CopyFileW((wine::kBuildDir + L"/tools/perinax-demo-setup.exe").c_str(),
                   wine::Long(to).c_str(), FALSE);
}

// What a case adds to its folder.
using Prepare = std::function<void(const std::wstring& dir)>;
Prepare MakeFolder(const std::wstring& name) {
  return [=](const std::wstring& dir) { std::filesystem::create_directory(dir + L"\\" + name); };
}
Prepare PutFile(const std::wstring& name, const std::string& bytes) {
  return [=](const std::wstring& dir) { wine::WriteBytes(dir + L"\\" + name, bytes); };
}

struct Case {
  std::wstring label;                                   // names the folder and the key $K
  std::optional<std::string> ini = Section("Default");  // Perinax.ini, or none
  DWORD code = 7;                  // the exit code; kFailed: the setup program must not start
  std::optional<DWORD> value = 1;  // then stored at landing, or nothing
  std::wstring phase{};            // lines of the configuration phase, in this order, '|' between
  Prepare prepare{};
  std::wstring args = L"/exitcode=7";  // the command line after Perinax.exe's name and a blank
  std::wstring cwd{};                  // the current directory, when not the case's folder
  std::wstring name = L"v";            // the value's name
  std::wstring landing = L"$K";
  DWORD view = wine::IsWin64Prefix() ? RRF_SUBKEY_WOW6464KEY : 0;
};

class PerinaxBadInput : public testing::Test {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    wine::RemoveMachineKey(kKeys);
    wine::RemoveMachineKey(L"SOFTWARE\\Wow6432Node\\PerinaxBad");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, nullptr, L"v");  // where an empty key path leads
  }

  // Runs Perinax.exe (killed after 30 s) under the trace viewer, as Windows 7, in a folder of the
  // case's own with the demo setup program as setup.exe, and checks a well-formed run: short,
  // clean lines; the configuration phase between its banners, holding c.phase; the argument text
  // twice; the setup program's wait and exit code if it started, and what it received.
  static void Check(const Case& c, std::vector<std::wstring>* trace = nullptr) {
    SCOPED_TRACE(wine::Narrow(c.label));
    const wine::TempFolder folder(L"perinax bad " + c.label);
    const std::wstring dir = c.cwd.empty() ? folder.path() : c.cwd;
    const std::wstring key = kKeys + L"\\" + c.label;
    const std::wstring file = dir.back() == L'\\' ? dir : dir + L"\\";
    std::error_code exists;
    std::filesystem::create_directories(wine::Long(dir), exists);
    EXPECT_TRUE(CopySetup(file + L"setup.exe"));
    if (c.ini) {
      const std::string ini = Replaced(*c.ini, std::string("$K"), wine::Narrow(key));
      wine::WriteBytes(file + L"Perinax.ini", Replaced(ini, std::string("$D"), wine::Narrow(dir)));
    }
    if (c.prepare) c.prepare(dir);
    const wine::WineVersionFor version(L"Perinax.exe", L"win7");
    EXPECT_EQ(
        wine::Run(L"\"" + wine::kBuildDir + L"/tools/perinax-trace.exe\" \"" + wine::kBuildDir +
                      L"/Perinax.exe\"" + (c.args.empty() ? L"" : L" ") + c.args,
                  dir, folder / L"trace.txt", 30000),
        c.code);

    const std::wstring all = wine::Wide(wine::ReadBytes(folder / L"trace.txt").value_or(""));
    SCOPED_TRACE(wine::Narrow(all));
    std::vector<std::wstring> lines;
    std::wistringstream stream(all);
    for (std::wstring line; std::getline(stream, line);) lines.push_back(line);
    if (trace != nullptr) *trace = lines;
    for (const std::wstring& line : lines) {
      EXPECT_TRUE(!line.empty() && line.size() < 260 && line.find(L'\0') == std::wstring::npos);
    }
    const auto end = std::find(lines.begin(), lines.end(), kEnd);
    ASSERT_TRUE(lines.size() >= 2 && end != lines.end());
    EXPECT_EQ(lines[0], L"-----LoadINIFile file start-----");
    EXPECT_EQ(lines[1], (dir + L"\\Perinax.ini").substr(0, 259));
    auto from = lines.begin() + 2;
    for (std::size_t at = 0, bar = 0; at < c.phase.size() && from != end; at = bar + 1) {
      bar = std::min(c.phase.find(L'|', at), c.phase.size());
      from = std::find(from, end, c.phase.substr(at, bar - at));
      EXPECT_NE(from, end) << "no line " << wine::Narrow(c.phase.substr(at, bar - at));
    }
    // The blanks after Perinax.exe's name are no part of the argument text.
    const std::wstring text =
        c.args.substr(std::min(c.args.find_first_not_of(L" \t"), c.args.size()));
    // Wine may pass debug strings through the ANSI code page: compare both after that trip.
    const auto ansi = [](const std::wstring& wide) {
      return wine::Wide(wine::Narrow(wide, CP_ACP), CP_ACP);
    };
    std::wstring expected = (L"Setup CMD " + text).substr(0, 259) + L"\n";
    expected += expected;
    if (c.code != kFailed) {
      expected += L"CreateProcess\nWaitForSingleObject\n" +
                  (c.code == STILL_ACTIVE ? L"Still running"
                                          : L"Exit Code " + std::to_wstring(int(c.code))) +
                  L"\n";
    }
    EXPECT_EQ(ansi(all.substr(all.find(kEnd) + kEnd.size() + 1)), ansi(expected));
    const auto received = wine::ReadBytes(file + L"setup-received.txt");
    EXPECT_EQ(received.has_value(), c.code != kFailed);
    EXPECT_TRUE(!received || *received == wine::Narrow(text))  // only the start of a long text
        << received->size() << " bytes: " << received->substr(0, 80);

    EXPECT_EQ(std::any_of(lines.begin(), lines.end(),
                          [](const auto& line) { return line.ends_with(L"Write VUZA Value"); }),
              c.value.has_value());
    EXPECT_EQ(wine::MachineDword(Replaced(c.landing, std::wstring(L"$K"), key), c.name, c.view),
              c.value);
  }
};

}  // namespace

TEST_F(PerinaxBadInput, IniFiles) {
  std::string garbage(1 << 16, '\0');
  std::uint32_t seed = 1;
  for (char& byte : garbage) byte = char((seed = seed * 1103515245 + 12345) >> 16);
  std::string tenMegabytes;
  while (tenMegabytes.size() < 10 << 20) tenMegabytes += "; " + std::string(1000, 'x') + "\r\n";
  std::string sections = Section("Default");
  for (int i = 0; i < 5000; ++i) sections += "[s" + std::to_string(i) + "]\r\n";
  const std::string keys = Section("Default").substr(Section("Default").find('\n') + 1);
  std::wstring utf16 = wine::Wide(Section("Default", "setup.exe", "1", "Gr\u00f6\u00dfe"));
  utf16 = L"\xFEFF" + Replaced(utf16, std::wstring(L"$K"), kKeys + L"\\UTF-16");
  const std::string utf16Bytes(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2);
  std::string setup259;  // .\.\...\setup.exe, 259 characters
  while (setup259.size() < 250) setup259 += ".\\";
  const Case cases[] = {
      {L"empty", "", kFailed, std::nullopt, kNone},
      {L"garbage", garbage, kFailed, std::nullopt, kNone},
      {L"10 MB", tenMegabytes + Section("Default"), 7, 1, kWin7},
      {.label = L"UTF-16", .ini = utf16Bytes, .name = L"Gr\u00f6\u00dfe"},
      // Windows reads a UTF-8 mark as three characters of the first line; Wine skips it.
      {L"UTF-8", "\xEF\xBB\xBF; UTF-8\r\n" + Section("Default")},
      {L"comments", ";[Default]\r\n;SetupFile=setup.exe\r\n", kFailed, std::nullopt, kNone},
      // Windows opens a section at "[Broken", Wine reads the line as a key: Default stays whole.
      {L"bracket", Section("Default") + "[Broken\r\nSetupFile=missing.exe\r\n"},
      {L"keys first", keys + "[Default]\r\n", kFailed, std::nullopt, kNone},
      {L"duplicates", Section("Default") + "SetupFile=missing.exe\r\nRegPath32KeyValue=2\r\n" +
                          "RegPath64KeyValue=2\r\n" + Section("Default", "missing.exe", "3")},
      {L"setup 259", Section("Default", setup259 + "setup.exe")},
      // The list of section names is cut at 4,096 characters: win7 is not found.
      {L"5000 sections", sections + Section("win7", "missing.exe", "2"), 7, 1, kWin7},
      {L"WIN7", Section("WIN7", "missing.exe", "2") + Section("Default"), 7, 1, kWin7},
      {L"directory", std::nullopt, kFailed, std::nullopt, kNone, MakeFolder(L"Perinax.ini")},
  };
  for (const Case& c : cases) Check(c);
  // A value name of n characters is written under its first 259.
  for (const std::size_t n : {259, 260, 300, 10000}) {
    Check({.label = L"name " + std::to_wstring(n),
           .ini = Section("Default", "setup.exe", "1", std::string(n, 'n')),
           .name = std::wstring(std::min<std::size_t>(n, 259), L'n')});
  }
}

// The drive root gives "C:\\Perinax.ini"; a folder of 247 characters leaves room for the file's
// name, one of 248 does not: its cut path names a decoy, which must not be read either.
TEST_F(PerinaxBadInput, Folders) {
  const wine::TempFolder folder(L"perinax bad folders");
  const std::wstring fits = folder / std::wstring(246 - folder.path().size(), L'd');
  Check({.label = L"root", .phase = kWin7, .cwd = L"C:\\"});
  for (const wchar_t* name : {L"Perinax.ini", L"setup.exe", L"setup-received.txt"}) {
    DeleteFileW((L"C:\\" + std::wstring(name)).c_str());
  }
  Check({.label = L"fits", .phase = kWin7, .cwd = fits});
  const std::string decoy =
      Section("Default", "setup.exe", "1", "v", wine::Narrow(kKeys) + "\\cut");
  Check({L"cut", Section("Default"), kFailed, std::nullopt,
         L"Please check the path of INI file!|" + kNone, PutFile(L"Perinax.in", decoy),
         L"/exitcode=7", fits + L"d"});
}

TEST_F(PerinaxBadInput, Settings) {
  const bool win64 = wine::IsWin64Prefix();
  std::string noSetupFile = Section("Default");
  noSetupFile.erase(0, noSetupFile.find("RegPath"));
  // The value lands at the key path as written (in the x64 view on x64).
  const auto path = [](const wchar_t* label, const std::wstring& keyPath,
                       std::optional<DWORD> stored = 1) {
    return Case{.label = label,
                .ini = Section("Default", "setup.exe", "1", "v", wine::Narrow(keyPath)),
                .value = stored,
                .landing = keyPath};
  };
  const std::wstring deep = kKeys + L"\\deep\\" + std::wstring(259 - kKeys.size() - 6, L'k');
  const std::string twice = "SOFTWARE\\Wow6432Node\\PerinaxBad\\twice\\Wow6432Node\\x";
  const Case cases[] = {
      {L"no SetupFile", "[Default]\r\n" + noSetupFile, kFailed},
      {L"empty SetupFile", Section("Default", ""), kFailed},
      {L"document", Section("Default", "x.perinaxbad"), kFailed, 1, L"",
       PutFile(L"x.perinaxbad", "x")},
      // A full path with blanks (the case's folder), as written and in quotes.
      {L"blanks", Section("Default", "$D\\setup.exe")},
      {L"quoted", Section("Default", "\"$D\\setup.exe\"")},
      {L"above", Section("Default", "setup.exe", "99999999999"), 7, 0xFFFFFFFF},
      {L"below", Section("Default", "setup.exe", "-99999999999"), 7, 0x80000000},
      {L"letters", Section("Default", "setup.exe", "abc"), 7, 0},
      {L"blank first", Section("Default", "setup.exe", "\" 42abc\""), 7, 42},
      {L"minus one", Section("Default", "setup.exe", "-1"), 7, 0xFFFFFFFF},
      path(L"deep", deep),
      // A key name of more than 255 characters cannot be made; the setup program still runs.
      path(L"long name", std::wstring(259, L'k'), std::nullopt),
      // Only the first "Wow6432Node\" goes, and only in that spelling.
      {.label = L"twice",
       .ini = Section("Default", "setup.exe", "1", "v", twice),
       .phase = win64 ? L"SOFTWARE\\PerinaxBad\\twice\\Wow6432Node\\x" : L"",
       .landing = win64 ? L"$K\\Wow6432Node\\x" : wine::Wide(twice),
       .view = win64 ? DWORD{RRF_SUBKEY_WOW6432KEY} : 0},
      // Not recognised, so written in the 64-bit view as it stands, which is the 32-bit storage.
      {.label = L"lower",
       .ini = Section("Default", "setup.exe", "1", "v", "SOFTWARE\\wow6432node\\PerinaxBad\\lower"),
       .landing = win64 ? L"$K" : L"SOFTWARE\\wow6432node\\PerinaxBad\\lower",
       .view = win64 ? DWORD{RRF_SUBKEY_WOW6432KEY} : 0},
      // An empty value name (the key present, nothing after "=") names the key's default value.
      {.label = L"empty name", .ini = Section("Default", "setup.exe", "1", ""), .name = L""},
  };
  for (const Case& c : cases) Check(c);
}

// Every exit code comes back whole; 259 is only traced differently; a crash is a code like others.
TEST_F(PerinaxBadInput, ExitCodes) {
  // Wine's debugger would otherwise offer a crash dialog wherever a display is at hand.
  const wine::UserSetting noCrashDialog(L"Software\\Wine\\WineDbg", L"ShowCrashDialog", DWORD{0});
  for (const DWORD code :
       {0u, 1u, 259u, 3010u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xC0000005u}) {
    const std::wstring text = std::to_wstring(code);
    Check({.label = L"exit " + text, .code = code, .args = L"/exitcode=" + text});
  }
  Check({.label = L"crash", .code = EXCEPTION_ACCESS_VIOLATION, .args = L"/crash"});
  const ULONGLONG start = GetTickCount64();
  Check({.label = L"sleep", .code = 5, .args = L"/sleep=3000 /exitcode=5"});
  EXPECT_GE(GetTickCount64() - start, 3000u);
}

// The setup program's command line holds its path, quoted, a blank and the argument text, and
// Windows takes 32,766 characters: the text that just fits arrives whole.
TEST_F(PerinaxBadInput, ArgumentTexts) {
  const wine::TempFolder folder(L"perinax bad arguments");
  // Its long path makes the setup program's command line longer than the viewer's and Perinax's.
  const std::wstring dir = folder / std::wstring(150, L'a');
  std::wstring longest = L"/exitcode=9";
  while (longest.size() < 32766 - 3 - (dir.size() + 10)) longest += L" \"a b\" c\u00e9";
  longest.resize(32766 - 3 - (dir.size() + 10));
  const Case cases[] = {
      {.label = L"none", .code = 0, .args = L""},
      {.label = L"blanks", .code = 0, .args = L"  \t  "},
      {.label = L"quote", .code = 3, .args = L"/exitcode=3 \"/log=C:\\a b"},
      {.label = L"non-ASCII",
       .code = 5,
       .args = L"/exitcode=5 \U0001F600 \u05E9\u05DC\u05D5\u05DD e\u0301 \u00A0\u65E5"},
      {.label = L"percent", .code = 6, .args = L"%1 %* %~dp0 %PATH% ^& | < > /exitcode=6"},
      {L"longest", Section("Default", "$D\\setup.exe"), 9, 1, L"", nullptr, longest, dir},
  };
  for (const Case& c : cases) Check(c);
}

// Without WMI the version is unknown: Default is read, nothing is written, the setup program runs.
TEST_F(PerinaxBadInput, WmiUnavailable) {
  const wine::UserSetting noWmi(L"Software\\Wine\\AppDefaults\\Perinax.exe\\DllOverrides",
                                L"wbemprox", L"");
  std::vector<std::wstring> lines;
  Check({L"no WMI", Section("win7", "missing.exe", "2") + Section("Default"), 7, std::nullopt},
        &lines);
  ASSERT_GE(lines.size(), 5u);
  const std::wstring& failure = lines[2];  // the probe's failure line, whichever step failed
  EXPECT_TRUE(failure.starts_with(L"Failed to") || failure.starts_with(L"Could not") ||
              failure.starts_with(L"Query for") || failure.starts_with(L"Unexpected"));
  EXPECT_EQ(lines[3], L"OS version 255");
  EXPECT_EQ(lines[4], kEnd);
}

// What used to go wrong: a folder opened in a file browser that never ended, and a value
// written in the root of HKLM.

TEST_F(PerinaxBadInput, SetupFileNamingAFolderIsNotStarted) {
  Check({L"folder", Section("Default", "sub"), kFailed, 1, L"", MakeFolder(L"sub")});
}

TEST_F(PerinaxBadInput, EmptyKeyPathWritesNothing) {
  for (const std::string keyPath : {"", "Wow6432Node\\"}) {  // the second is emptied on x64 only
    if (keyPath.empty() || wine::IsWin64Prefix()) {
      Check({keyPath.empty() ? L"empty key path" : L"only Wow6432Node",
             Section("Default", "setup.exe", "1", "v", keyPath), 7, std::nullopt,
             L"No registry target in the INI file"});
    }
  }
}
