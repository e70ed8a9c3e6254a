#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>

TEST(ArgumentText, SkipsTheProgramNameAndTheBlanksAfterIt) {
  struct Row {
    const wchar_t* commandLine;
    const wchar_t* argumentText;
  };
  const Row rows[] = {
      // A quoted name with a space, then two options two blanks apart.
      {L"\"C:\\Program Files\\Perinax.exe\" /a  /b", L"/a  /b"},
      {L"Perinax.exe", L""},
      {L"\"C:\\x y\\Perinax.exe\"", L""},
      {L"Perinax.exe   ", L""},
      {L"Perinax.exe\t\t/q \"x\"", L"/q \"x\""},
      // Every character from U+0001 to U+0020 separates, not only blanks and tabs.
      {L"Perinax.exe\x01\x1f\r\n /q", L"/q"},
      // An opening quote that is never closed makes the whole line the name.
      {L"\"C:\\a b\\Perinax.exe /q /r", L""},
      // A closing quote does not end the name.
      {L"\"Perinax.exe\"-a b", L"b"},
      {L"C:\\a\"b c\"d\\Perinax.exe x", L"x"},
      // Quotes and inner spacing of the arguments are kept as they are.
      {L"P.exe \"a  b\"\t\"\" c  ", L"\"a  b\"\t\"\" c  "},
      {L"P.exe Gr\u00fc\u00dfe \u65e5\u672c", L"Gr\u00fc\u00dfe \u65e5\u672c"},
      // No program name at all.
      {L"", L""},
      {L"  /q", L"/q"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "row " << (&row - rows));
    EXPECT_EQ(std::wstring(ArgumentText(row.commandLine)), row.argumentText);
  }
}

TEST(ArgumentText, PointsIntoTheCommandLine) {
  const wchar_t* line = L"Perinax.exe /q";
  EXPECT_EQ(ArgumentText(line), line + 12);
  EXPECT_EQ(std::wstring(ArgumentText(nullptr)), L"");
}

// The longest command line Windows hands a program: 32,767 characters.
TEST(ArgumentText, ReturnsTheWholeRestOfTheLongestCommandLine) {
  const std::wstring name = L"\"C:\\Program Files\\Perinax\\Perinax.exe\"";
  std::wstring args;
  for (int i = 0; args.size() < 40000; ++i) args += L"\"arg " + std::to_wstring(i) + L"\"\t ";
  args.resize(32767 - name.size() - 2);
  args.back() = L'z';
  const std::wstring line = name + L"  " + args;
  ASSERT_EQ(line.size(), 32767u);
  EXPECT_EQ(std::wstring(ArgumentText(line.c_str())), args);
}
