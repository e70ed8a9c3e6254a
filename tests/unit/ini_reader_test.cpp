#include "settings/ini_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kMarker = static_cast<wchar_t>(0xCCCC);

// One GetPrivateProfileStringW call on a file; the result is expected.size().
struct StringCase {
  const char* behaviour;
  std::string ini;
  const wchar_t* section;
  const wchar_t* key;
  std::wstring expected;
  const wchar_t* defaultText = L"default";
  std::uint32_t size = 300;
};

// Checks the result, the text, its terminator, and that nothing after the
// terminator was touched.
void ExpectString(const IniReader& reader, const StringCase& c) {
  SCOPED_TRACE(c.behaviour);
  std::vector<wchar_t> buffer(c.size + 8, kMarker);
  const std::uint32_t result =
      reader.GetString(c.section, c.key, c.defaultText, buffer.data(), c.size);
  ASSERT_EQ(result, c.expected.size());
  std::vector<wchar_t> expected(buffer.size(), kMarker);
  if (c.size > 0) {
    std::copy(c.expected.begin(), c.expected.end(), expected.begin());
    expected[c.expected.size()] = L'\0';
  }
  EXPECT_EQ(buffer, expected);
}

void ExpectStrings(const std::vector<StringCase>& cases) {
  for (const StringCase& c : cases) ExpectString(IniReader::FromBytes(c.ini), c);
}

// The buffer after GetPrivateProfileSectionNamesW, up to and including the
// last character written; the rest must still hold the marker.
struct NamesCase {
  const char* behaviour;
  std::uint32_t size;
  std::uint32_t result;
  std::wstring written;
};

void ExpectSectionNames(const IniReader& reader, const NamesCase& c) {
  SCOPED_TRACE(c.behaviour);
  std::vector<wchar_t> buffer(c.size + 8, kMarker);
  EXPECT_EQ(reader.SectionNames(buffer.data(), c.size), c.result);
  std::vector<wchar_t> expected(buffer.size(), kMarker);
  std::copy(c.written.begin(), c.written.end(), expected.begin());
  EXPECT_EQ(buffer, expected);
}

std::string Utf16LeWithMark(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

TEST(IniReaderNames, MatchAsWindowsMatchesThem) {
  ExpectStrings({
      {"section and key names match without regard to case", "[Section1]\r\nName1=val1\r\n",
       L"SECTION1", L"name1", L"val1"},
      {"blanks inside the brackets are ignored", "[ section1 ]\r\nk=v\r\n", L"section1", L"k",
       L"v"},
      {"spaces before the bracket are ignored", "   [S]\r\nk=v\r\n", L"S", L"k", L"v"},
      {"a tab inside the brackets is ignored", "[\tS]\r\nk=v\r\n", L"S", L"k", L"v"},
      {"white space around a key name in the file is ignored", "[S]\r\n  \t K  =v\r\n", L"S", L"K",
       L"v"},
      {"spaces around the names in the call are stripped", "[sec]\r\nkey=v\r\n", L"   sec   ",
       L"  key  ", L"v"},
      {"a tab in the call's section name does not match", "[S]\r\nk=v\r\n", L"\tS", L"k",
       L"default"},
      {"a tab in the call's key name does not match", "[S]\r\nk=v\r\n", L"S", L"k\t", L"default"},
      {"only the first of repeated sections is searched", "[A]\r\nk=1\r\n[B]\r\n[A]\r\nj=3\r\n",
       L"A", L"j", L"default"},
      {"the first of repeated sections holds the value", "[A]\r\nk=1\r\n[B]\r\n[a]\r\nk=2\r\n",
       L"A", L"k", L"1"},
      {"the first of repeated keys wins", "[S]\r\nk=1\r\nK=2\r\n", L"S", L"k", L"1"},
      {"keys before the first section cannot be read", "k=v\r\n[S]\r\n", L"", L"k", L"default"},
      {"keys before the first section belong to no section", "k=v\r\n[S]\r\n", L"S", L"k",
       L"default"},
      {"a section without a name is read with the empty name", "k=a\r\n[]\r\nk=e\r\n", L"", L"k",
       L"e"},
      {"a key without a name is read with the empty name", "[s]\r\n=val_no_key\r\n", L"s", L"",
       L"val_no_key"},
      {"a section name ends at the first ']'", "[sec]whoops]\r\nk=v\r\n", L"sec", L"k", L"v"},
      {"text after the ']' is ignored", "[S]k=inline\r\nk=v\r\n", L"S", L"k", L"v"},
      {"'[S' without ']' opens section S", "[S   \r\nk=v\r\n", L"S", L"k", L"v"},
      {"only the first '[' opens the name", "[[sec]\r\nk=v\r\n", L"[sec", L"k", L"v"},
      {"a name without '[' opens no section", "S]\r\nk=v\r\n", L"S", L"k", L"default"},
  });
}

TEST(IniReaderValues, AreTrimmedUnquotedAndTakenWhole) {
  ExpectStrings({
      {"spaces, tabs and vertical tabs around a value are trimmed", "[S]\r\nk= \t\vv a l\v\t \r\n",
       L"S", L"k", L"v a l"},
      {"one pair of double quotes is removed", "[S]\r\nk=\"val2\"\r\n", L"S", L"k", L"val2"},
      {"quotes are removed after trimming and keep what they enclose",
       "[S]\r\nk=  \"   X   \"  \r\n", L"S", L"k", L"   X   "},
      {"only the outer pair goes", "[S]\r\nk='\"X\"'\r\n", L"S", L"k", L"\"X\""},
      {"unmatched quotes stay", "[S]\r\nk=\"X'\r\n", L"S", L"k", L"\"X'"},
      {"a lone quote stays", "[S]\r\nk=\"\r\n", L"S", L"k", L"\""},
      {"an empty quoted value is empty", "[S]\r\nk=''\r\n", L"S", L"k", L""},
      {"there are no inline comments", "[S]\r\nk=not a ;comment\r\n", L"S", L"k",
       L"not a ;comment"},
      {"a line that begins with ';' is a comment", "[S]\r\n;key=v\r\n", L"S", L";key", L"default"},
      {"'#' starts no comment", "[S]\r\n#comment=v\r\n", L"S", L"#comment", L"v"},
      {"a line without '=' is no key", "[s]\r\nname3\r\n", L"s", L"name3", L"default"},
      {"'name2=' is a key with an empty value", "[s]\r\nname2=\r\n", L"s", L"name2", L""},
      {"the value runs past a second '='", "[s]\r\nk=a=b\r\n", L"s", L"k", L"a=b"},
  });
}

TEST(IniReaderDefaultText, IsReturnedForWhatIsMissingLessItsTrailingSpaces) {
  ExpectStrings({
      {"missing section", "[S]\r\nk=v\r\n", L"T", L"k", L"default"},
      {"missing key", "[S]\r\nk=v\r\n", L"S", L"j", L"default"},
      {"trailing spaces of the default are removed", "", L"S", L"k", L"default", L"default  "},
      {"leading spaces of the default are kept", "", L"S", L"k", L"  one two", L"  one two  "},
      {"a null default gives the empty text", "", L"S", L"k", L"", nullptr},
  });
  ExpectString(IniReader::Missing(),
               {"a missing file gives the default", "", L"S", L"k", L"Unknow", L"Unknow"});
}

TEST(IniReaderSizes, CutValuesAndCountWhatWasCopied) {
  const std::string ini = "[section1]\r\nname1=val1\r\nname4=a\r\n";
  ExpectStrings({
      {"a value longer than n-1 is cut to n-1", ini, L"section1", L"name1", L"val", L"d", 4},
      {"an exact fit returns n-1", ini, L"section1", L"name1", L"val1", L"d", 5},
      {"n=1 gives 0 and an empty text", ini, L"section1", L"name4", L"", L"d", 1},
      {"n=0 writes nothing", ini, L"section1", L"name1", L"", L"d", 0},
      {"the default is cut like a value", ini, L"section1", L"none", L"def", L"default  ", 4},
      {"a 300-character value is cut to 259", "[S]\r\nk=" + std::string(300, 'x') + "\r\n", L"S",
       L"k", std::wstring(259, L'x'), L"d", 260},
      {"a value of 65,536 characters reads as empty (16-bit length)",
       "[S]\r\nk=" + std::string(65536, 'x') + "\r\n", L"S", L"k", L"", L"d", 70000},
      {"a value of 65,537 characters reads as one character (16-bit length)",
       "[S]\r\nk=" + std::string(65537, 'x') + "\r\n", L"S", L"k", L"x", L"d", 70000},
  });
}

TEST(IniReaderSectionNames, ListEveryNameAndCutLikeWindows) {
  const IniReader three = IniReader::FromBytes("[ section1 ]\r\n[section2]\r\n[section3]\r\n");
  const std::wstring all(L"section1\0section2\0section3\0\0", 28);
  const NamesCase cases[] = {
      {"the whole list with room to spare", 29, 27, all},
      {"a list that fits exactly still gives n-2, ended by two terminators", 28, 26, all},
      {"a list one character too long is cut to n-2", 27, 25,
       std::wstring(L"section1\0section2\0section\0\0", 27)},
      {"n=2 leaves only the two terminators", 2, 0, std::wstring(L"\0\0", 2)},
      {"n=1 gives an empty text", 1, 0, std::wstring(1, L'\0')},
      {"n=0 writes nothing", 0, 0, L""},
  };
  for (const NamesCase& c : cases) ExpectSectionNames(three, c);

  ExpectSectionNames(IniReader::FromBytes("[A]\r\n[B]\r\n[A]"),
                     {"repeated sections are all listed", 20, 6, std::wstring(L"A\0B\0A\0\0", 7)});
  ExpectSectionNames(IniReader::FromBytes("k=v\r\n[]\r\n[S]\r\n"),
                     {"nameless sections are not listed", 20, 2, std::wstring(L"S\0\0", 3)});
  ExpectSectionNames(IniReader::FromBytes(""), {"a file without sections gives an empty list", 10,
                                                0, std::wstring(1, L'\0')});
  ExpectSectionNames(IniReader::Missing(),
                     {"a missing file gives 0 and one terminator", 10, 0, std::wstring(1, L'\0')});
}

TEST(IniReaderFiles, EndLinesAndDecodeTextAsWindowsDoes) {
  ExpectStrings({
      {"CR alone ends a line", "[S]\rk=v\rj=w", L"S", L"j", L"w"},
      {"LF alone ends a line", "[S]\nk=v\nj=w", L"S", L"j", L"w"},
      {"CRLF ends a line", "[S]\r\nk=v\r\nj=w\r\n", L"S", L"k", L"v"},
      {"a missing final line end is fine", "[S]\r\nk=v", L"S", L"k", L"v"},
      {"a UTF-16LE file with its byte-order mark is read as Unicode",
       Utf16LeWithMark(u"[S\u00e9]\r\nk=\u20ac\u4e2d\r\n"), L"S\u00e9", L"k", L"\u20ac\u4e2d"},
      {"Windows ignores a UTF-8 byte-order mark: it spoils the first line",
       "\xEF\xBB\xBF[S]\r\nk=v\r\n", L"S", L"k", L"default"},
      {"a UTF-8 byte-order mark is harmless before an empty line", "\xEF\xBB\xBF\r\n[S]\r\nk=v\r\n",
       L"S", L"k", L"v"},
      {"other files are decoded with the ANSI code page (Windows-1252)",
       "[S]\r\nk=\xC3\xA9 \x80 \x81\r\n", L"S", L"k", L"\u00c3\u00a9 \u20ac \u0081"},
  });
}

TEST(IniReaderFiles, AMissingFileOrADirectoryReadsAsNoFile) {
  const std::filesystem::path dir =
      std::filesystem::path(testing::TempDir()) / "perinax_ini_reader";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "Perinax.ini");
  { std::ofstream(dir / "real.ini", std::ios::binary) << "[S]\r\nk=v\r\n"; }
  EXPECT_FALSE(IniReader::FromFile(dir / "Perinax.ini").exists());
  EXPECT_FALSE(IniReader::FromFile(dir / "absent.ini").exists());
  const IniReader real = IniReader::FromFile(dir / "real.ini");
  EXPECT_TRUE(real.exists());
  ExpectString(real, {"a file read from disk", "", L"s", L"K", L"v"});
  std::filesystem::remove_all(dir);
}

}  // namespace
