#include "common/trace.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "recording_trace.h"

TEST(TraceFormatted, InsertsTextSignedDecimalAndLowerCaseHex) {
  RecordingTrace trace;
  TraceFormatted(trace, L"OS version %d", 100728841);
  TraceFormatted(trace, L"Exit Code %d", static_cast<int>(0xFFFFFFFFu));
  TraceFormatted(trace, L"hres = 0x%x", 0x80010119u);
  TraceFormatted(trace, L"Setup CMD %ls", L"/S \"a b\"");
  TraceFormatted(trace, L"%d %x 100%%", INT_MIN, 0u);
  EXPECT_EQ(trace.lines, (std::vector<std::wstring>{L"OS version 100728841", L"Exit Code -1",
                                                    L"hres = 0x80010119", L"Setup CMD /S \"a b\"",
                                                    L"-2147483648 0 100%"}));
}

TEST(TraceFormatted, CutsALongLineAt259Characters) {
  RecordingTrace trace;
  const std::wstring path(300, L'k');
  TraceFormatted(trace, L"szRegPath %ls", path.c_str());
  ASSERT_EQ(trace.lines.size(), 1u);
  EXPECT_EQ(trace.lines[0], L"szRegPath " + std::wstring(259 - 10, L'k'));
}

TEST(FormatTraceLine, NeverWritesPastTheBufferAndAlwaysTerminates) {
  wchar_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), L'#');
  EXPECT_EQ(FormatTraceLine(buffer, 5, L"abc%dxyz", 12345), 4u);
  EXPECT_EQ(std::wstring(buffer), L"abc1");
  EXPECT_EQ(buffer[5], L'#');
}
