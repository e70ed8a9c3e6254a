#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

// The tests run once in a win64 and once in a win32 prefix; the rest of the
// suite relies on each reporting its own native architecture.
TEST(WinePrefix, ReportsTheNativeArchitectureOfItsKind) {
  const char* arch = std::getenv("PERINAX_WINE_ARCH");
  ASSERT_NE(arch, nullptr);
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  EXPECT_EQ(info.wProcessorArchitecture, std::string(arch) == "win64" ? 9 : 0);
}
