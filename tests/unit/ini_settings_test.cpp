#include "settings/ini_settings.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "fake_profile.h"
#include "recording_trace.h"
#include "settings/file_access.h"

namespace {

// Locates the file, chooses the section and reads the keys, as a run does: the trace, the section
// chosen and the seven fields, each joined by '|'.
std::tuple<std::wstring, std::wstring, std::wstring> ReadSettings(FakeProfile& profile,
                                                                  OSVersionCode osCode) {
  RecordingTrace trace;
  IniLocation ini;
  SetupSettings s;
  LocateINIFile(profile, trace, &ini);
  const wchar_t* section = ChooseINISection(profile, trace, osCode, ini);
  ReadINIKeys(profile, ini, section, &s);
  return {Joined(trace.lines), section,
          Joined(std::vector<std::wstring>{s.m_szSetupFile, s.m_szReg32KeyPath, s.m_szReg32KeyName,
                                           s.m_szReg32KeyValue, s.m_szReg64KeyPath,
                                           s.m_szReg64KeyName, s.m_szReg64KeyValue})};
}

}  // namespace

TEST(ChooseINISection, TestsTheVersionSectionByItsExactName) {
  // A list longer than 4096 characters is cut to 4094; past the cut "win7" is not found.
  const std::string filler = "[" + std::string(4089, 'f') + "]\n";
  const std::tuple<OSVersionCode, std::string, const wchar_t*, std::wstring> rows[] = {
      {0x06010000, "[Win7]\n", L"Default", L"|CheckINISection win7"},  // unlike in the reads
      {0x06020009, "[win8]\n", L"win8", L"|CheckINISection win8"},
      {0x06030009, "[win8]\n[win8.1]\n", L"win8.1", L"|CheckINISection win8.1"},
      {0x10000009, "[win7]\n", L"Default", L""},
      {0x06010000, filler + "[win7]\n", L"win7", L"|CheckINISection win7"},
      {0x06010000, "[f" + filler + "[win7]\n", L"Default", L"|CheckINISection win7"},
  };
  for (const auto& [osCode, ini, section, lines] : rows) {
    SCOPED_TRACE(ini.substr(0, 20));
    FakeProfile profile;
    profile.SetIniText(ini);
    const auto [trace, chosen, settings] = ReadSettings(profile, osCode);
    EXPECT_EQ(chosen, section);
    EXPECT_EQ(trace, L"C:\\Setup\\Perinax.ini" + lines);
  }
}

// Missing key "Unknow", empty value empty, long one cut; a cut or unreadable path is never read.
TEST(ReadINIKeys, ReadsTheSevenKeysOfTheFileInTheCurrentDirectory) {
  const std::wstring read = L"a.exe|" + std::wstring(259, L'p') + L"|Unknow||P|N|6";
  const std::wstring none = L"Unknow|Unknow|Unknow|Unknow|Unknow|Unknow|Unknow";
  const std::wstring missing = L"|Please check the path of INI file!";
  const std::wstring dir247 = L"C:\\" + std::wstring(244, L'd');
  // The directory, whether there is a file and what reading the directory reports.
  const std::tuple<std::wstring, bool, std::optional<std::uint32_t>, std::wstring, std::wstring>
      rows[] = {
          {L"C:\\Setup", true, {}, L"C:\\Setup\\Perinax.ini", read},
          {L"C:\\Setup", false, {}, L"C:\\Setup\\Perinax.ini" + missing, none},
          {dir247, true, {}, dir247 + L"\\Perinax.ini", read},  // 259 characters fit
          {L"", true, {}, L"\\Perinax.ini" + missing, none},    // unreadable
          {dir247 + L"d", true, {}, dir247 + L"d\\Perinax.in" + missing, none},
          // A result of the buffer's whole size: the directory did not fit, whatever was written.
          {L"C:\\Setup", true, 260, L"\\Perinax.ini" + missing, none},
      };
  for (const auto& row : rows) {
    const auto& [directory, file, reported, lines, settings] = row;
    SCOPED_TRACE(&row - rows);
    FakeProfile profile;
    profile.currentDirectory = directory;
    profile.directoryResult = reported;
    if (file) {
      profile.SetIniText(
          "[Default]\nRegPath32KeyName=D\n[win7]\nsetupfile = a.exe\nRegPath32KeyPath=" +
          std::string(300, 'p') +
          "\nRegPath32KeyValue=\nRegPath64KeyPath=P\nRegPath64KeyName=N\nRegPath64KeyValue=6\n");
    }
    const auto [trace, section, fields] = ReadSettings(profile, 0x06010009);
    EXPECT_EQ(trace, lines + L"|CheckINISection win7");
    EXPECT_EQ(fields, settings);
  }
}

// Only a SetupFile the section gives whole names a program: not a missing file or key (which read
// as "Unknow"), and not a value longer than its field, whose cut name could be another program.
TEST(ReadINIKeys, TellsWhetherTheSectionNamedTheSetupProgramWhole) {
  const std::tuple<const char*, std::string, std::wstring, bool> rows[] = {
      {"a program", "SetupFile=setup.exe\n", L"setup.exe", true},
      {"a program called Unknow", "SetupFile=Unknow\n", L"Unknow", true},
      {"259 characters", "SetupFile=" + std::string(259, 's') + "\n", std::wstring(259, L's'),
       true},
      {"260 characters", "SetupFile=" + std::string(260, 's') + "\n", std::wstring(259, L's'),
       false},
      {"no key", "RegPath32KeyName=N\n", L"Unknow", false},
      {"empty", "SetupFile=\n", L"", false},
      {"keys in another section only", "[win8]\nSetupFile=setup.exe\n", L"Unknow", false},
      {"no file", "", L"Unknow", false},
  };
  for (const auto& [what, keys, field, named] : rows) {
    SCOPED_TRACE(what);
    FakeProfile profile;
    if (!keys.empty()) profile.SetIniText("[Default]\n" + keys);
    IniLocation ini;
    RecordingTrace trace;
    LocateINIFile(profile, trace, &ini);
    SetupSettings settings;
    settings.m_bSetupFileNamed = !named;
    ReadINIKeys(profile, ini, L"Default", &settings);
    EXPECT_EQ(settings.m_szSetupFile, field);
    EXPECT_EQ(settings.m_bSetupFileNamed, named);
  }
}

// _waccess_s as the launcher reads it without the C runtime's DLL: only "not found" is ENOENT.
TEST(AccessErrnoFromWin32Error, GivesEnoentForEveryNotFoundErrorOnly) {
  const std::set<std::uint32_t> notFound = {2, 3, 15, 18, 53, 67, 161, 206};
  for (std::uint32_t error = 0; error < 1500; ++error)
    EXPECT_EQ(AccessErrnoFromWin32Error(error), notFound.count(error) == 1 ? 2 : 13) << error;
}
