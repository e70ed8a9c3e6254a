#include <gtest/gtest.h>

#include "wine_support.h"

// The probe against the real WMI, as a program run under names Wine shows each version.
TEST(GetOSVersionUnderWine, ReportsEachWindowsVersionWithTheNativeArchitecture) {
  const wine::TempFolder folder(L"perinax-osprobe");
  for (const auto& version : {wine::kVista, wine::kWin7, wine::kWin8, wine::kWin81, wine::kWin10}) {
    SCOPED_TRACE(version.wineName);
    const std::wstring name = L"osprobe_" + std::wstring(version.wineName) + L".exe";
    ASSERT_TRUE(CopyFileW((wine::kBuildDir + L"/tests/windows/helpers/osprobe.exe").c_str(),
                          (folder / name).c_str(), FALSE));
    const wine::UserSetting shown(wine::kAppDefaults + name, L"Version", version.wineName);
    EXPECT_EQ(wine::Run(folder / name, folder.path, folder / L"out.txt"),
              version.versionHalf << 16 | (wine::IsWin64Prefix() ? 9 : 0));
  }
}
