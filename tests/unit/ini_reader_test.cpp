#include "lib/ini/ini_reader.h"

#include <gtest/gtest.h>

#include <string>

// One row per fact of the Windows profile readers that Wine does not share (the differential
// under Wine pins the rest against the system's own readers).
TEST(IniReader, AnswersAsTheWindowsProfileReadersDo) {
  const struct {
    const char* fact;
    std::string ini;
    const wchar_t* section;
    const wchar_t* key;
    std::wstring expected;  // the text read
    std::uint32_t size = 300;
  } rows[] = {
      {"4 spaces around the call's names go", "[sec]\nkey=v", L"  sec ", L" key  ", L"v"},
      {"4 a tab in the call's name stays", "[S]\nk=v", L"\tS", L"k", L"d"},
      {"7 no keys before the first section", "k=v\n[S]", L"", L"k", L"d"},
      {"8 a section name ends at the first ']'", "[S]x]\nk=v", L"S", L"k", L"v"},
      {"8 '[S' opens S", "[S\nk=v", L"S", L"k", L"v"},
      {"10 outer quotes go after trimming", "[S]\nk=  \"  X \"  ", L"S", L"k", L"  X "},
      {"10 only one pair, single or double", "[S]\nk='\"X\"'", L"S", L"k", L"\"X\""},
      {"12 ';' starts a comment line", "[S]\n;k=v", L"S", L";k", L"d"},
      {"17 65,536 characters read as none", "[S]\nk=" + std::string(65536, 'x'), L"S", L"k", L"",
       70000},
      {"17 65,537 as one", "[S]\nk=" + std::string(65537, 'x'), L"S", L"k", L"x", 70000},
      {"19 a UTF-8 mark spoils the first line", "\xEF\xBB\xBF[S]\nk=v", L"S", L"k", L"d"},
      {"19 other files are ANSI", "[S]\nk=\xC3\xA9 \x80", L"S", L"k", L"\u00c3\u00a9 \u20ac"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fact);
    std::wstring buffer(row.size + 2, L'#');  // nothing is written past the text's end
    EXPECT_EQ(IniReader::FromBytes(row.ini).GetString(row.section, row.key, L"d  ", buffer.data(),
                                                      row.size),
              row.expected.size());
    EXPECT_EQ(buffer,
              row.expected + L'\0' + std::wstring(row.size + 1 - row.expected.size(), L'#'));
  }
}

// Repeats are known within their own kind: a section name against the sections before it, a
// key name against the earlier keys of its own section only.
TEST(IniReader, MarksRepeatsWithinTheirOwnSection) {
  const IniReader ini = IniReader::FromBytes(
      "[A]\nk=1\nK=2\n[empty]\n[B]\nk=b\n[\xC0]\nk=3\nj=4\n[\xE0]\n[a]\nk=5\n[Z]\n\xE9=6\n\xC9=7");
  std::wstring shape;
  for (const IniSection& section : ini.sections()) {
    shape += std::wstring(ini.Name(section)) + (section.repeated ? L"* " : L" ");
    for (const IniKey& key : ini.Keys(section)) {
      shape += std::wstring(ini.Name(key)) + (key.repeated ? L"* " : L" ");
    }
  }
  EXPECT_EQ(shape, L"A k K* empty B k \u00c0 k j \u00e0* a* k Z \u00e9 \u00c9* ");
  EXPECT_EQ(ini.Value(*ini.FindKey(*ini.FindSection(L"b"), L"K")), L"b");
  EXPECT_EQ(ini.FindKey(*ini.FindSection(L"EMPTY"), L"k"), nullptr);
  EXPECT_EQ(ini.Value(*ini.FindKey(*ini.FindSection(L"\u00e0"), L"J")), L"4");
}

// Every name of a file of many sections and keys is found where it is, and only there.
TEST(IniReader, FindsEveryNameOfALargeFile) {
  std::string bytes;
  constexpr int kSections = 20000;
  for (int i = 0; i < kSections; ++i) {
    const std::string n = std::to_string(i);
    bytes += "[S" + n + "]\nk" + n + "=" + n + "\nshared=" + n + "\n";
  }
  const IniReader ini = IniReader::FromBytes(bytes);
  int wrong = 0;
  for (int i = 0; i < kSections; ++i) {
    const std::wstring n = std::to_wstring(i);
    const IniSection* section = ini.FindSection(L"s" + n);
    const IniKey* own = section ? ini.FindKey(*section, L"K" + n) : nullptr;
    const IniKey* shared = section ? ini.FindKey(*section, L"shared") : nullptr;
    const IniKey* other = section ? ini.FindKey(*section, L"k" + std::to_wstring(i + 1)) : nullptr;
    if (!own || ini.Value(*own) != n || !shared || ini.Value(*shared) != n || shared->repeated ||
        other) {
      ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(ini.FindSection(L"S" + std::to_wstring(kSections)), nullptr);
}

// The list of names answers each size as a fresh reader would, whatever was asked before.
TEST(IniReader, ListsSectionNamesForEverySizeAsked) {
  const std::string bytes = "[]\n[alpha]\n[]\n[beta]\n[gamma]\n";
  const IniReader asked = IniReader::FromBytes(bytes);
  for (const std::uint32_t size : {4u, 40u, 4u, 9u, 1u, 40u}) {
    SCOPED_TRACE(size);
    std::wstring again(size, L'#');
    std::wstring fresh(size, L'#');
    EXPECT_EQ(asked.SectionNames(again.data(), size),
              IniReader::FromBytes(bytes).SectionNames(fresh.data(), size));
    EXPECT_EQ(again, fresh);
  }
  std::wstring all(40, L'#');
  EXPECT_EQ(asked.SectionNames(all.data(), 40), 17u);
  EXPECT_EQ(all.substr(0, 18), std::wstring(L"alpha\0beta\0gamma\0\0", 18));
}
