#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>

TEST(ArgumentText, SkipsTheProgramNameAndTheBlanksAfterIt) {
  const struct {
    const wchar_t* commandLine;
    const wchar_t* argumentText;
  } rows[] = {
      {L"\"C:\\Program Files\\Perinax.exe\" /a  /b", L"/a  /b"},
      {L"Perinax.exe", L""},
      {L"Perinax.exe\x01\x1f\r\n /q", L"/q"},  // every code from U+0001 to U+0020 separates
      {L"\"C:\\a b\\Perinax.exe /q /r", L""},  // a quote never closed: all of it is the name
      {L"\"Perinax.exe\"-a b", L"b"},          // a closing quote does not end the name
      {L"P.exe \"a  b\"\t\"\" c  ", L"\"a  b\"\t\"\" c  "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    EXPECT_EQ(std::wstring(ArgumentText(row.commandLine)), row.argumentText);
  }
}
