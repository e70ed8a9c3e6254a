#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "settings/ini_settings.h"
#include "settings/profile_win32.h"
#include "tests/unit/recording_trace.h"

namespace {

using Lines = std::vector<std::wstring>;

constexpr wchar_t kMissingLine[] = L"Please check the path of INI file!";

std::wstring CurrentDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, buffer);
  return buffer;
}

// Paths of any length are made through the \\?\ form.
std::wstring Extended(const std::wstring& path) {
  return L"\\\\?\\" + path;
}

void WriteBytes(const std::wstring& path, std::string_view bytes) {
  HANDLE file = CreateFileW(Extended(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  CloseHandle(file);
}

// A fresh directory under the temporary folder, removed with what the test
// put in it; files and subdirectories are registered as they are made.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    path_ = std::wstring(temp) + L"perinax-ini-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    MakeDirectory(path_);
  }
  ~ScratchDirectory() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
      if (!DeleteFileW(Extended(*it).c_str())) RemoveDirectoryW(Extended(*it).c_str());
    }
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::wstring& path() const { return path_; }

  void MakeDirectory(const std::wstring& path) {
    EXPECT_TRUE(CreateDirectoryW(Extended(path).c_str(), nullptr)) << GetLastError();
    made_.push_back(path);
  }
  void MakeFile(const std::wstring& path, std::string_view bytes) {
    WriteBytes(path, bytes);
    made_.push_back(path);
  }

 private:
  std::wstring path_;
  std::vector<std::wstring> made_;
};

// Sets the current directory for one test and restores the earlier one.
class CurrentDirectoryScope {
 public:
  explicit CurrentDirectoryScope(const std::wstring& directory) : saved_(CurrentDirectory()) {
    EXPECT_TRUE(SetCurrentDirectoryW(directory.c_str())) << GetLastError();
  }
  ~CurrentDirectoryScope() { SetCurrentDirectoryW(saved_.c_str()); }
  CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
  CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

 private:
  std::wstring saved_;
};

struct SettingsRun {
  IniLocation ini;
  std::wstring section;
  SetupSettings settings;
  Lines trace;
};

SettingsRun RunSettingsStage(OSVersionCode osCode) {
  Win32Profile profile;
  RecordingTrace trace;
  SettingsRun run;
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

constexpr char kIni[] =
    "; Perinax settings\r\n"
    "[Default]\r\n"
    "SetupFile=default.exe\r\n"
    "[win7]\r\n"
    "SetupFile = \"setup 7.exe\"\r\n"
    "RegPath32KeyPath=SOFTWARE\\Perinax\r\n"
    "RegPath32KeyName=Marker\r\n"
    "RegPath32KeyValue=1\r\n"
    "RegPath64KeyPath=SOFTWARE\\Wow6432Node\\Perinax\r\n"
    "RegPath64KeyName=Marker64\r\n"
    "RegPath64KeyValue=\r\n"
    "[WIN8]\r\n"
    "SetupFile=upper8.exe\r\n"
    "[win8.1]\r\n"
    "setupfile=setup81.exe\r\n";

TEST(IniSettingsOnWindows, ChoosesTheSectionAndReadsItsKeysFromARealFile) {
  ScratchDirectory dir;
  dir.MakeFile(dir.path() + L"\\Perinax.ini", kIni);
  CurrentDirectoryScope scope(dir.path());
  const std::wstring path = CurrentDirectory() + L"\\Perinax.ini";

  struct Row {
    OSVersionCode osCode;
    const wchar_t* section;
    const wchar_t* checked;
    std::vector<std::wstring> fields;
  };
  const std::wstring u = L"Unknow";
  const Row rows[] = {
      {0x06010009,
       L"win7",
       L"win7",
       {L"setup 7.exe", L"SOFTWARE\\Perinax", L"Marker", L"1", L"SOFTWARE\\Wow6432Node\\Perinax",
        L"Marker64", L""}},
      {0x06020000, L"Default", L"win8", {L"default.exe", u, u, u, u, u, u}},
      {0x06030009, L"win8.1", L"win8.1", {L"setup81.exe", u, u, u, u, u, u}},
      {0x0A000009, L"Default", nullptr, {L"default.exe", u, u, u, u, u, u}},
      {kOSProbeFailed, L"Default", nullptr, {L"default.exe", u, u, u, u, u, u}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << std::hex << "osCode 0x" << row.osCode);
    const SettingsRun run = RunSettingsStage(row.osCode);
    EXPECT_TRUE(run.ini.usable);
    EXPECT_EQ(std::wstring(run.ini.path), path);
    Lines expected{path};
    if (row.checked != nullptr) expected.push_back(std::wstring(L"CheckINISection ") + row.checked);
    EXPECT_EQ(run.trace, expected);
    EXPECT_EQ(run.section, row.section);
    EXPECT_EQ(AllFields(run.settings), row.fields);
  }
}

TEST(IniSettingsOnWindows, WithoutAReadableFileEverySettingIsUnknow) {
  struct Row {
    const char* name;
    bool directoryInItsPlace;
    Lines traceAfterPath;
  };
  const Row rows[] = {
      {"no file", false, {kMissingLine, L"CheckINISection win7"}},
      // A directory passes the existence test but reads as no file.
      {"a directory named Perinax.ini", true, {L"CheckINISection win7"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScratchDirectory dir;
    if (row.directoryInItsPlace) dir.MakeDirectory(dir.path() + L"\\Perinax.ini");
    CurrentDirectoryScope scope(dir.path());
    Lines expected{CurrentDirectory() + L"\\Perinax.ini"};
    expected.insert(expected.end(), row.traceAfterPath.begin(), row.traceAfterPath.end());
    const SettingsRun run = RunSettingsStage(0x06010009);
    EXPECT_EQ(run.trace, expected);
    EXPECT_EQ(run.section, L"Default");
    EXPECT_EQ(AllFields(run.settings), kAllUnknow);
  }
}

TEST(IniSettingsOnWindows, AtADriveRootThePathHasTwoBackslashesAndIsRead) {
  const std::wstring file = L"C:\\Perinax.ini";
  if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "C:\\Perinax.ini already exists";
  }
  WriteBytes(file, "[Default]\r\nSetupFile=root.exe\r\n");
  {
    CurrentDirectoryScope scope(L"C:\\");
    const SettingsRun run = RunSettingsStage(kOSProbeFailed);
    EXPECT_EQ(run.trace, (Lines{L"C:\\\\Perinax.ini"}));
    EXPECT_EQ(std::wstring(run.settings.m_szSetupFile), L"root.exe");
  }
  DeleteFileW(file.c_str());
}

// A directory whose path is exactly `length` characters long, made below dir.
std::wstring MakeDirectoryOfLength(ScratchDirectory& dir, std::size_t length) {
  const std::size_t parent = dir.path().size() + 1;
  EXPECT_GT(length, parent);
  const std::wstring path = dir.path() + L"\\" + std::wstring(length - parent, L'd');
  dir.MakeDirectory(path);
  return path;
}

TEST(IniSettingsOnWindows, ALongDirectoryIsReadOnlyWhenTheWholePathFits) {
  ScratchDirectory dir;
  // 247 characters leave room for "\\Perinax.ini"; with 248 the path would be
  // cut to "...\\Perinax.in", a file that is there too and must not be read.
  const std::wstring fits = MakeDirectoryOfLength(dir, 247);
  const std::wstring tooLong = MakeDirectoryOfLength(dir, 248);
  dir.MakeFile(fits + L"\\Perinax.ini", "[win7]\r\nSetupFile=fits.exe\r\n");
  dir.MakeFile(tooLong + L"\\Perinax.ini", "[win7]\r\nSetupFile=real.exe\r\n");
  dir.MakeFile(tooLong + L"\\Perinax.in", "[win7]\r\nSetupFile=wrong.exe\r\n");
  {
    CurrentDirectoryScope scope(fits);
    ASSERT_EQ(CurrentDirectory(), fits);
    const SettingsRun run = RunSettingsStage(0x06010000);
    EXPECT_EQ(run.trace, (Lines{fits + L"\\Perinax.ini", L"CheckINISection win7"}));
    EXPECT_EQ(std::wstring(run.settings.m_szSetupFile), L"fits.exe");
  }
  CurrentDirectoryScope scope(tooLong);
  ASSERT_EQ(CurrentDirectory(), tooLong);
  const SettingsRun run = RunSettingsStage(0x06010000);
  EXPECT_FALSE(run.ini.usable);
  EXPECT_EQ(run.trace, (Lines{tooLong + L"\\Perinax.in", kMissingLine, L"CheckINISection win7"}));
  EXPECT_EQ(run.section, L"Default");
  EXPECT_EQ(AllFields(run.settings), kAllUnknow);
}

}  // namespace
