#include "settings/ini_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "fake_profile.h"
#include "recording_trace.h"

namespace {

using Lines = std::vector<std::wstring>;

constexpr wchar_t kMissingLine[] = L"Please check the path of INI file!";
constexpr wchar_t kSetupIni[] = L"C:\\Setup\\Perinax.ini";

// What one pass through the settings stage leaves behind.
struct SettingsRun {
  IniLocation ini;
  std::wstring section;
  SetupSettings settings;
  Lines trace;
};

SettingsRun RunSettingsStage(FakeProfile& profile, OSVersionCode osCode) {
  SettingsRun run;
  RecordingTrace trace;
  LocateINIFile(profile, trace, &run.ini);
  const wchar_t* section = ChooseINISection(profile, trace, osCode, run.ini);
  run.section = section;
  ReadINIKeys(profile, run.ini, section, &run.settings);
  run.trace = trace.lines;
  return run;
}

std::vector<std::wstring> AllFields(const SetupSettings& s) {
  return {s.m_szSetupFile,    s.m_szReg32KeyPath, s.m_szReg32KeyName, s.m_szReg32KeyValue,
          s.m_szReg64KeyPath, s.m_szReg64KeyName, s.m_szReg64KeyValue};
}

const std::vector<std::wstring> kAllUnknow(7, L"Unknow");

// A current directory of exactly `length` characters.
std::wstring DirectoryOfLength(std::size_t length) {
  return L"C:\\" + std::wstring(length - 3, L'd');
}

// Sections whose listed names (each with its terminator) take exactly `units`
// characters of the section-name list (units >= 2).
std::string FillerSections(std::size_t units) {
  std::string text;
  for (int index = 0; units > 0; ++index) {
    const std::size_t length = units >= 20 ? 8 : units - 1;
    std::string name = "f" + std::to_string(index);
    name.resize(length, 'z');
    text += "[" + name + "]\n";
    units -= length + 1;
  }
  return text;
}

TEST(ChooseINISection, PicksTheVersionSectionOnlyWhenItsNameMatchesExactly) {
  struct Row {
    OSVersionCode osCode;
    const char* ini;  // null: no file
    const wchar_t* section;
    const wchar_t* checked;  // the name in the "CheckINISection" line, if any
  };
  const Row rows[] = {
      {0x06010009, "[Default]\n[win7]\n", L"win7", L"win7"},
      {0x06010009, nullptr, L"Default", L"win7"},
      {0x06010000, "[Win7]\n[Default]\n", L"Default", L"win7"},
      {0x06020009, "[win8]\n", L"win8", L"win8"},
      {0x06020000, "[WIN8]\n[Default]\n", L"Default", L"win8"},
      {0x06020009, "[win8.1]\n", L"Default", L"win8"},
      {0x06030009, "[Default]\nSetupFile=a.exe\n", L"Default", L"win8.1"},
      {0x06030000, "[win8]\n[win8.1]\n", L"win8.1", L"win8.1"},
      {0x06000000, "[win7]\n[Default]\n", L"Default", nullptr},
      {0x0A000009, "[win7]\n[Default]\n", L"Default", nullptr},
      {kOSProbeFailed, "[win7]\n[Default]\n", L"Default", nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
    FakeProfile profile;
    if (row.ini != nullptr) profile.SetIniText(row.ini);
    const SettingsRun run = RunSettingsStage(profile, row.osCode);
    EXPECT_EQ(run.section, row.section);
    Lines expected{kSetupIni};
    if (row.ini == nullptr) expected.push_back(kMissingLine);
    if (row.checked != nullptr) expected.push_back(std::wstring(L"CheckINISection ") + row.checked);
    EXPECT_EQ(run.trace, expected);
    EXPECT_EQ(profile.CountCalls(L"GetSectionNames"), row.checked != nullptr ? 1u : 0u);
  }
}

TEST(CheckINISection, ReadsTheListWith4096CharactersAndFindsNothingPastItsCut) {
  struct Row {
    std::size_t fillerUnits;
    int found;
  };
  // The reader keeps 4094 characters of a longer list and ends it with two
  // terminators, so "win7" survives when the cut only takes its terminator.
  const Row rows[] = {{4089, 1}, {4090, 1}, {4091, 0}, {5000, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "filler " << row.fillerUnits);
    FakeProfile profile;
    profile.SetIniText(FillerSections(row.fillerUnits) + "[win7]\n");
    RecordingTrace trace;
    IniLocation ini;
    LocateINIFile(profile, trace, &ini);
    EXPECT_EQ(CheckINISection(profile, trace, L"win7", ini), row.found);
    EXPECT_EQ(profile.calls.back(), L"GetSectionNames(4096, C:\\Setup\\Perinax.ini)");
  }
}

// A reader that fills the whole buffer and ends nothing.
class UnterminatedListProfile final : public ProfileApi {
 public:
  std::uint32_t ReadCurrentDirectory(std::uint32_t, wchar_t*) override { return 0; }
  int AccessFile(const wchar_t*) override { return 0; }
  std::uint32_t GetSectionNames(wchar_t* buffer, std::uint32_t size, const wchar_t*) override {
    for (std::uint32_t i = 0; i < size; ++i) buffer[i] = i % 5 == 4 ? L'\0' : L'w';
    buffer[size - 1] = L'x';
    return size;
  }
  std::uint32_t GetString(const wchar_t*, const wchar_t*, const wchar_t*, wchar_t*, std::uint32_t,
                          const wchar_t*) override {
    return 0;
  }
};

TEST(CheckINISection, NeverWalksPastTheListEvenWhenTheReaderLeavesItUnterminated) {
  UnterminatedListProfile profile;
  RecordingTrace trace;
  IniLocation ini;
  ini.usable = true;
  EXPECT_EQ(CheckINISection(profile, trace, L"win7", ini), 0);
  EXPECT_EQ(CheckINISection(profile, trace, L"wwww", ini), 1);
}

TEST(ReadINIKeys, ReadsTheSevenKeysInOrderFromTheChosenSectionOnlyCutTo259) {
  FakeProfile profile;
  profile.SetIniText(
      "[Default]\r\nSetupFile=default.exe\r\nRegPath64KeyName=FromDefault\r\n"
      "[win7]\r\nsetupfile = setup.exe\r\nRegPath32KeyPath=" +
      std::string(300, 'p') +
      "\r\n"
      "RegPath32KeyName=N32\r\nRegPath32KeyValue=1\r\nRegPath64KeyPath=SOFTWARE\\B\r\n"
      "RegPath64KeyValue=\r\n");
  SettingsRun run;
  // Whatever a field held before is gone after its read.
  for (wchar_t* field : {run.settings.m_szSetupFile, run.settings.m_szReg64KeyName,
                         run.settings.m_szReg64KeyValue}) {
    std::fill_n(field, kSettingChars, L'#');
  }
  RecordingTrace trace;
  LocateINIFile(profile, trace, &run.ini);
  profile.calls.clear();
  ReadINIKeys(profile, run.ini, L"win7", &run.settings);

  EXPECT_EQ(AllFields(run.settings),
            (std::vector<std::wstring>{L"setup.exe", std::wstring(259, L'p'), L"N32", L"1",
                                       L"SOFTWARE\\B", L"Unknow", L""}));
  const std::wstring tail = L", Unknow, 260, C:\\Setup\\Perinax.ini)";
  EXPECT_EQ(
      profile.calls,
      (Lines{L"GetString(win7, SetupFile" + tail, L"GetString(win7, RegPath32KeyPath" + tail,
             L"GetString(win7, RegPath32KeyName" + tail,
             L"GetString(win7, RegPath32KeyValue" + tail,
             L"GetString(win7, RegPath64KeyPath" + tail, L"GetString(win7, RegPath64KeyName" + tail,
             L"GetString(win7, RegPath64KeyValue" + tail}));
  EXPECT_EQ(std::wstring(run.settings.m_szReg64KeyValue, kSettingChars),
            std::wstring(kSettingChars, L'\0'));
}

TEST(LocateINIFile, AppendsTheFileNameWithOneSeparatorAndTracesAMissingFile) {
  const std::wstring longest = DirectoryOfLength(247);
  const std::wstring longestPath = longest + L"\\Perinax.ini";
  struct Row {
    const wchar_t* directory;
    bool hasFile;
    std::optional<int> access;
    const wchar_t* path;
    bool traceMissing;
  };
  const Row rows[] = {
      {L"C:\\Setup", true, std::nullopt, L"C:\\Setup\\Perinax.ini", false},
      // A drive root keeps its own backslash and gets another.
      {L"C:\\", true, std::nullopt, L"C:\\\\Perinax.ini", false},
      {L"D:\\Media\\Disk 1", false, std::nullopt, L"D:\\Media\\Disk 1\\Perinax.ini", true},
      // Only "no such file" is reported; an access error is passed over.
      {L"C:\\Setup", true, 13, L"C:\\Setup\\Perinax.ini", false},
      {L"C:\\Setup", false, 2, L"C:\\Setup\\Perinax.ini", true},
      // The longest directory that fits: 247 characters, 259 with the file name.
      {longest.c_str(), false, std::nullopt, longestPath.c_str(), true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
    FakeProfile profile;
    profile.currentDirectory = row.directory;
    if (row.hasFile) profile.SetIniText("[Default]\n");
    profile.accessResult = row.access;
    RecordingTrace trace;
    IniLocation ini;
    LocateINIFile(profile, trace, &ini);
    EXPECT_EQ(std::wstring(ini.path), row.path);
    EXPECT_TRUE(ini.usable);
    Lines expected{row.path};
    if (row.traceMissing) expected.push_back(kMissingLine);
    EXPECT_EQ(trace.lines, expected);
    EXPECT_EQ(profile.calls,
              (Lines{L"GetCurrentDirectory(260)", L"AccessFile(" + std::wstring(row.path) + L")"}));
  }
}

TEST(LocateINIFile, ADirectoryThatCannotBeReadOrIsTooLongMakesTheFileMissingAndUnread) {
  struct Row {
    const char* name;
    bool fails;
    std::size_t length;
    std::wstring tracedPath;
  };
  const std::wstring longest = DirectoryOfLength(259);
  const std::wstring almost = DirectoryOfLength(248);
  const Row rows[] = {
      {"unreadable", true, 20, L"\\Perinax.ini"},
      {"needs a larger buffer", false, 260, L"\\Perinax.ini"},
      {"far too long", false, 400, L"\\Perinax.ini"},
      {"fills the buffer", false, 259, longest},
      {"one character too long", false, 248, almost + L"\\Perinax.in"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeProfile profile;
    profile.currentDirectoryFails = row.fails;
    profile.currentDirectory = DirectoryOfLength(row.length);
    profile.SetIniText("[win7]\nSetupFile=a.exe\n[Default]\nSetupFile=b.exe\n");
    const SettingsRun run = RunSettingsStage(profile, 0x06010009);
    EXPECT_FALSE(run.ini.usable);
    EXPECT_EQ(run.trace, (Lines{row.tracedPath, kMissingLine, L"CheckINISection win7"}));
    EXPECT_EQ(run.section, L"Default");
    EXPECT_EQ(AllFields(run.settings), kAllUnknow);
    EXPECT_EQ(profile.calls, (Lines{L"GetCurrentDirectory(260)"}));
  }
}

}  // namespace
