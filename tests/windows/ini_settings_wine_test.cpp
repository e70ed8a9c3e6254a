#include <gtest/gtest.h>

#include <tuple>

#include "settings/ini_settings.h"
#include "settings/profile_win32.h"
#include "tests/unit/recording_trace.h"
#include "wine_support.h"

// Real files through the Windows readers: a drive root and a 247-character directory are read;
// a 248-character one would give the cut path "...\Perinax.in", a decoy that must not be read.
TEST(IniSettingsUnderWine, ReadsTheFileInTheCurrentDirectoryOnlyByItsWholePath) {
  const wine::TempFolder folder(L"perinax-ini");
  const std::wstring fits = folder / std::wstring(246 - folder.path().size(), L'd');
  const std::wstring cut = fits + L"d";
  for (const std::wstring& dir : {fits, cut}) std::filesystem::create_directory(wine::Long(dir));
  wine::WriteBytes(
      folder / L"Perinax.ini",
      "; settings\r\n[Default]\r\nSetupFile=default.exe\r\n[win7]\r\n"
      "SetupFile = \"setup 7.exe\"\r\nRegPath32KeyPath=SOFTWARE\\P\r\nRegPath32KeyName=M\r\n"
      "RegPath32KeyValue=1\r\nregpath64keypath=SOFTWARE\\Wow6432Node\\P\r\n"
      "RegPath64KeyName=M64\r\nRegPath64KeyValue=\r\n");
  wine::WriteBytes(L"C:\\Perinax.ini", "[Default]\r\nSetupFile=root.exe\r\n");
  wine::WriteBytes(fits + L"\\Perinax.ini", "[win7]\r\nSetupFile=fits.exe\r\n");
  wine::WriteBytes(cut + L"\\Perinax.ini", "[win7]\r\nSetupFile=real.exe\r\n");
  wine::WriteBytes(cut + L"\\Perinax.in", "[win7]\r\nSetupFile=wrong.exe\r\n");
  const std::wstring unknow = L"|Unknow|Unknow|Unknow|Unknow|Unknow|Unknow";
  // The current directory, the OS code, the trace and the seven settings.
  const std::tuple<std::wstring, OSVersionCode, std::wstring, std::wstring> rows[] = {
      {folder.path(), 0x06010009, folder / L"Perinax.ini|CheckINISection win7",
       L"setup 7.exe|SOFTWARE\\P|M|1|SOFTWARE\\Wow6432Node\\P|M64|"},
      {L"C:\\", kOSProbeFailed, L"C:\\\\Perinax.ini", L"root.exe" + unknow},
      {fits, 0x06010000, fits + L"\\Perinax.ini|CheckINISection win7", L"fits.exe" + unknow},
      {cut, 0x06010000,
       cut + L"\\Perinax.in|Please check the path of INI file!|CheckINISection win7",
       L"Unknow" + unknow},
  };
  wchar_t saved[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, saved);
  for (const auto& [dir, osCode, lines, fields] : rows) {
    SCOPED_TRACE(dir);
    EXPECT_TRUE(SetCurrentDirectoryW(dir.c_str()));
    Win32Profile profile;
    RecordingTrace trace;
    IniLocation ini;
    SetupSettings s;
    LocateINIFile(profile, trace, &ini);
    ReadINIKeys(profile, ini, ChooseINISection(profile, trace, osCode, ini), &s);
    EXPECT_EQ(Joined(trace.lines), lines);
    EXPECT_EQ(Joined(std::vector<std::wstring>{
                  s.m_szSetupFile, s.m_szReg32KeyPath, s.m_szReg32KeyName, s.m_szReg32KeyValue,
                  s.m_szReg64KeyPath, s.m_szReg64KeyName, s.m_szReg64KeyValue}),
              fields);
  }
  SetCurrentDirectoryW(saved);
  DeleteFileW(L"C:\\Perinax.ini");
}
