#include "common/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

TEST(ArgumentText, SkipsTheProgramNameAndTheBlanksAfterIt) {
  // The command line and the argument text taken from it.
  const std::pair<const wchar_t*, const wchar_t*> rows[] = {
      {L"\"C:\\Program Files\\Perinax.exe\" /a  /b", L"/a  /b"},
      {L"Perinax.exe", L""},
      {L"Perinax.exe\x01\x1f\r\n /q", L"/q"},  // every code from U+0001 to U+0020 separates
      {L"\"C:\\a b\\Perinax.exe /q /r", L""},  // a quote never closed: all of it is the name
      {L"\"Perinax.exe\"-a b", L"b"},          // a closing quote does not end the name
  };
  for (const auto& [commandLine, argumentText] : rows)
    EXPECT_EQ(std::wstring(ArgumentText(commandLine)), argumentText) << commandLine;
}
