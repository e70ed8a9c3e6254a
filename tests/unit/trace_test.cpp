#include "common/trace.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>

// Each row formats the text "p q", a number and a hexadecimal number into a buffer of the
// given capacity, which is followed by a marker that must stay.
TEST(FormatTraceLine, WritesWhatFitsAndAlwaysEndsTheLine) {
  const std::tuple<std::size_t, const wchar_t*, int, unsigned, std::wstring> rows[] = {
      {300, L"%ls %d 0x%x", INT_MIN, 0xFFFFFFFFu, L"p q -2147483648 0xffffffff"},
      {300, L"%ls %d 0x%x", INT_MAX, 0u, L"p q 2147483647 0x0"},
      {300, L"100%% %q %", 0, 0u, L"100% %q %"},  // what is no directive stays as written
      {5, L"%ls %d", 0, 0u, L"p q "},             // cut to one less than the capacity
      {1, L"%ls", 0, 0u, L""},
  };
  for (const auto& [capacity, format, number, hex, line] : rows) {
    SCOPED_TRACE(line);
    std::wstring buffer(capacity + 1, L'#');
    EXPECT_EQ(FormatTraceLine(buffer.data(), capacity, format, L"p q", number, hex), line.size());
    EXPECT_EQ(buffer, line + L'\0' + std::wstring(capacity - line.size(), L'#'));
  }
}
