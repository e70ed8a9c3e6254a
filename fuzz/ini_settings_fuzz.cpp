#include <array>
#include <cwchar>
#include <string>
#include <utility>

#include "fake_profile.h"
#include "fuzz_support.h"
#include "recording_trace.h"
#include "settings/ini_settings.h"

namespace {

// Windows 7, 8 and 8.1, Windows 10 and a failed probe, with the section each chooses when
// the file has it.
constexpr std::pair<OSVersionCode, const wchar_t*> kChoices[] = {{0x06010009, L"win7"},
                                                                 {0x06020000, L"win8"},
                                                                 {0x06030009, L"win8.1"},
                                                                 {0x0A000009, L"Default"},
                                                                 {kOSProbeFailed, L"Default"}};

std::array<wchar_t*, 7> Fields(SetupSettings& s) {
  return {s.m_szSetupFile,    s.m_szReg32KeyPath, s.m_szReg32KeyName, s.m_szReg32KeyValue,
          s.m_szReg64KeyPath, s.m_szReg64KeyName, s.m_szReg64KeyValue};
}

}  // namespace

// The input is the bytes of Perinax.ini, read under every section choice. The
// length of the current directory follows the input's size, so that paths
// near the 260-character limit come up as well.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FakeProfile profile;
  const std::size_t directoryChars = size % 300;
  profile.currentDirectory = L"C:\\" + std::wstring(directoryChars, L'd');
  profile.SetIniText(std::string_view(reinterpret_cast<const char*>(data), size));

  for (const auto& [code, chosen] : kChoices) {
    RecordingTrace trace;
    IniLocation ini;
    LocateINIFile(profile, trace, &ini);
    FUZZ_CHECK(std::wmemchr(ini.path, L'\0', kIniPathChars) != nullptr);
    // "C:\" + directory + "\Perinax.ini" must fit with its terminator.
    FUZZ_CHECK(ini.usable == (3 + directoryChars + 12 < kIniPathChars));

    const wchar_t* section = ChooseINISection(profile, trace, code, ini);
    FUZZ_CHECK(std::wcscmp(section, chosen) == 0 || std::wcscmp(section, L"Default") == 0);

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
