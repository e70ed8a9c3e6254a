#include <array>
#include <cwchar>
#include <string>

#include "fake_profile.h"
#include "fuzz_support.h"
#include "recording_trace.h"
#include "settings/ini_settings.h"

namespace {

// Windows 7, 8, 8.1 and 10: each section the launcher can choose.
constexpr OSVersionCode kVersions[] = {0x06010009, 0x06020000, 0x06030009, 0x0A000009};

std::array<wchar_t*, 7> Fields(SetupSettings& s) {
  return {s.m_szSetupFile,    s.m_szReg32KeyPath, s.m_szReg32KeyName, s.m_szReg32KeyValue,
          s.m_szReg64KeyPath, s.m_szReg64KeyName, s.m_szReg64KeyValue};
}

}  // namespace

// The input is the bytes of Perinax.ini, read under every section choice. The length of the current
// directory follows the input's size, so that paths near the 260-character limit come up as well.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FakeProfile profile;
  const std::size_t directoryChars = size % 300;
  profile.currentDirectory = L"C:\\" + std::wstring(directoryChars, L'd');
  profile.SetIniText(std::string_view(reinterpret_cast<const char*>(data), size));

  for (const OSVersionCode code : kVersions) {
    RecordingTrace trace;
    IniLocation ini;
    LocateINIFile(profile, trace, &ini);
    FUZZ_CHECK(std::wmemchr(ini.path, L'\0', kIniPathChars) != nullptr);
    const wchar_t* section = ChooseINISection(profile, trace, code, ini);
    SetupSettings settings;
    for (wchar_t* field : Fields(settings)) std::wmemset(field, L'#', kSettingChars);
    ReadINIKeys(profile, ini, section, &settings);
    for (const wchar_t* field : Fields(settings)) {
      FUZZ_CHECK(std::wmemchr(field, L'\0', kSettingChars) != nullptr);
    }
    for (const std::wstring& line : trace.lines) FUZZ_CHECK(line.size() < kTraceLineChars);
  }
  return 0;
}
