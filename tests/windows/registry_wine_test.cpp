#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "registry/registry_marker.h"
#include "registry/registry_win32.h"
#include "tests/unit/recording_trace.h"

namespace {

using Lines = std::vector<std::wstring>;

constexpr wchar_t kTestRoot[] = L"SOFTWARE\\PerinaxTest";

std::uint32_t NativeArchitecture() {
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture;
}

void SetField(wchar_t* field, const std::wstring& text) {
  ASSERT_LT(text.size(), kSettingChars);
  text.copy(field, text.size());
  field[text.size()] = L'\0';
}

// Reads a DWORD value below HKEY_LOCAL_MACHINE through one registry view
// (RRF_SUBKEY_WOW6464KEY, RRF_SUBKEY_WOW6432KEY or 0). False when it is missing.
bool ReadDword(const std::wstring& path, DWORD view, DWORD* value) {
  DWORD size = sizeof(*value);
  return RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), L"Marker", RRF_RT_REG_DWORD | view, nullptr,
                      value, &size) == ERROR_SUCCESS;
}

// Each test writes below its own key under SOFTWARE\PerinaxTest and removes it,
// in both registry views, afterwards.
class RegistryUnderWine : public testing::Test {
 protected:
  void SetUp() override {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = info->name();
    key_ = std::wstring(kTestRoot) + L"\\" + std::wstring(name.begin(), name.end());
    RemoveTestKeys();
  }
  void TearDown() override { RemoveTestKeys(); }

  void RemoveTestKeys() {
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), view, 0);
      // Only removed once no test key is left below it.
      RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kTestRoot, view, 0);
    }
  }

  LauncherState StateFor(const std::wstring& path64, const std::wstring& value) {
    LauncherState state;
    SetField(state.settings.m_szReg32KeyPath, key_);
    SetField(state.settings.m_szReg32KeyName, L"Marker");
    SetField(state.settings.m_szReg32KeyValue, value);
    SetField(state.settings.m_szReg64KeyPath, path64);
    SetField(state.settings.m_szReg64KeyName, L"Marker");
    SetField(state.settings.m_szReg64KeyValue, value);
    return state;
  }

  std::wstring key_;
};

}  // namespace

TEST_F(RegistryUnderWine, X64TargetIsWrittenInThe64BitView) {
  if (NativeArchitecture() != kArchitectureX64) GTEST_SKIP() << "needs a 64-bit prefix";
  const OSVersionCode code = PackOSVersionCode(6, 1, NativeArchitecture());
  for (const auto& [value, stored, how] : {std::tuple{L"4660", DWORD{4660}, L"create"},
                                           std::tuple{L"-1", DWORD{0xFFFFFFFF}, L"open"}}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(how)));
    LauncherState state = StateFor(key_, value);
    Win32Registry registry;
    RecordingTrace trace;
    WriteRegMarker(state, registry, trace, code);
    EXPECT_EQ(trace.lines, (Lines{L"m_szReg64KeyPath " + key_, L"Not find", L"szRegPath " + key_,
                                  L"WriteToReg", L"X64", how, L"Write VUZA Value"}));
    DWORD read = 0;
    EXPECT_TRUE(ReadDword(key_, RRF_SUBKEY_WOW6464KEY, &read));
    EXPECT_EQ(read, stored);
    EXPECT_FALSE(ReadDword(key_, RRF_SUBKEY_WOW6432KEY, &read));
  }
}

TEST_F(RegistryUnderWine, X64TargetBelowWow6432NodeIsWrittenInThe32BitView) {
  if (NativeArchitecture() != kArchitectureX64) GTEST_SKIP() << "needs a 64-bit prefix";
  const std::wstring configured =
      L"SOFTWARE\\Wow6432Node\\PerinaxTest\\" + key_.substr(std::wstring(kTestRoot).size() + 1);
  LauncherState state = StateFor(configured, L"7");
  Win32Registry registry;
  RecordingTrace trace;
  WriteRegMarker(state, registry, trace, PackOSVersionCode(6, 1, NativeArchitecture()));
  EXPECT_EQ(std::wstring(state.settings.m_szReg64KeyPath), key_);
  EXPECT_EQ(trace.lines, (Lines{L"m_szReg64KeyPath " + configured, key_, L"szRegPath " + key_,
                                L"WriteToReg", L"X64", L"create", L"Write VUZA Value"}));
  DWORD read = 0;
  EXPECT_TRUE(ReadDword(key_, RRF_SUBKEY_WOW6432KEY, &read));
  EXPECT_EQ(read, 7u);
  EXPECT_FALSE(ReadDword(key_, RRF_SUBKEY_WOW6464KEY, &read));
}

TEST_F(RegistryUnderWine, X86TargetIsCreatedThenWrittenThroughTheOpenedKey) {
  if (NativeArchitecture() != kArchitectureX86) GTEST_SKIP() << "needs a 32-bit prefix";
  const OSVersionCode code = PackOSVersionCode(6, 1, NativeArchitecture());
  for (const auto& [value, stored, line] :
       {std::tuple{L" 42abc", DWORD{42}, L"Write VUZA Value"},
        std::tuple{L"4294967295", DWORD{0xFFFFFFFF}, L"win 7 Write VUZA Value"}}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(line)));
    LauncherState state = StateFor(L"SOFTWARE\\Unused64", value);
    Win32Registry registry;
    RecordingTrace trace;
    WriteRegMarker(state, registry, trace, code);
    EXPECT_EQ(trace.lines, (Lines{L"WriteToReg", line}));
    DWORD read = 0;
    EXPECT_TRUE(ReadDword(key_, 0, &read));
    EXPECT_EQ(read, stored);
  }
  DWORD read = 0;
  EXPECT_FALSE(ReadDword(L"SOFTWARE\\Unused64", 0, &read));
}
