#include <array>
#include <cwchar>
#include <string>

#include "fake_profile.h"
#include "fuzz_support.h"
#include "recording_trace.h"
#include "settings/ini_settings.h"

namespace {

struct Choice {
  OSVersionCode code;
  const wchar_t* section;  // the section chosen when the file has it
};

// Windows 7, 8 and 8.1, Windows 10 and a failed probe.
constexpr Choice kChoices[] = {{0x06010009, L"win7"},
                               {0x06020000, L"win8"},
                               {0x06030009, L"win8.1"},
                               {0x0A000009, L"Default"},
                               {kOSProbeFailed, L"Default"}};

std::array<wchar_t*, 7> Fields(SetupSettings& s) {
  return {s.m_szSetupFile,    s.m_szReg32KeyPath, s.m_szReg32KeyName, s.m_szReg32KeyValue,
          s.m_szReg64KeyPath, s.m_szReg64KeyName, s.m_szReg64KeyValue};
}

bool Terminated(const wchar_t* text, std::size_t capacity) {
  return std::wmemchr(text, L'\0', capacity) != nullptr;
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

  for (const Choice& choice : kChoices) {
    RecordingTrace trace;
    IniLocation ini;
    LocateINIFile(profile, trace, &ini);
    FUZZ_CHECK(Terminated(ini.path, kIniPathChars));
    // "C:\" + directory + "\Perinax.ini" must fit with its terminator.
    FUZZ_CHECK(ini.usable == (3 + directoryChars + 12 < kIniPathChars));

    const wchar_t* section = ChooseINISection(profile, trace, choice.code, ini);
    FUZZ_CHECK(std::wcscmp(section, choice.section) == 0 || std::wcscmp(section, L"Default") == 0);

    SetupSettings settings;
    for (wchar_t* field : Fields(settings)) std::wmemset(field, L'#', kSettingChars);
    ReadINIKeys(profile, ini, section, &settings);
    for (const wchar_t* field : Fields(settings)) FUZZ_CHECK(Terminated(field, kSettingChars));
    for (const std::wstring& line : trace.lines) FUZZ_CHECK(line.size() < kTraceLineChars);
  }
  return 0;
}
