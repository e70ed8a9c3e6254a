// Our INI reader against the system's, called through Perinax's profile binding: every result and
// character must agree. Where Wine and Windows differ the host tests pin Windows: keys before any
// section, empty brackets, ';' lines, '[S' and ']]', the UTF-8 mark, blanks around names in a
// call, the 16-bit value length, quotes taken off a value (Wine clears the next character too).

#include <gtest/gtest.h>

#include "lib/ini/ini_reader.h"
#include "settings/profile_win32.h"
#include "wine_support.h"

using namespace std::string_literals;

TEST(IniReaderDifferential, ReadsEveryCorpusFileAsTheSystemDoes) {
  // Past 4,096 characters of section names the list is cut: [win7] is not in it.
  std::string many;
  for (int i = 0; i < 1000; ++i) many += "[section" + std::to_string(i) + "]\r\n";
  many += "[win7]\r\nk=v\r\n";
  // Each file (none without bytes) with the section and key pairs read from it.
  using Queries = std::vector<std::pair<const wchar_t*, const wchar_t*>>;
  const std::vector<std::pair<std::optional<std::string>, Queries>> corpus = {
      {"; settings\r\n[Default]\r\nSetupFile=setup.exe\r\n[win7]\r\nSetupFile=7.exe\r\n",
       {{L"Default", L"SetupFile"}, {L"default", L"SETUPFILE"}, {L"win8", L"SetupFile"}}},
      {"  [ sec one ]  \r\n \t key a \t= \t value b \t\r\n[\tS]\r\nk=\v v \v\r\n",
       {{L"sec one", L"key a"}, {L"S", L"k"}}},
      {"[q]\r\nodd=\"X'\r\nlone=\"\r\ninner=a \"b\" c\r\n",
       {{L"q", L"odd"}, {L"q", L"lone"}, {L"q", L"inner"}}},
      {"[c]\r\ninline=not a ;comment\r\n#hash=v\r\n", {{L"c", L"inline"}, {L"c", L"#hash"}}},
      {"[s]\r\nname1=val1\r\nname2=\r\nname3\r\nk=a=b\r\n=no key\r\n",
       {{L"s", L"name1"}, {L"s", L"name2"}, {L"s", L"name3"}, {L"s", L"k"}, {L"s", L""}}},
      {"[A]\r\nk=1\r\nK=2\r\n[B]\r\nk=b\r\n[a]\r\nk=3\r\nj=4\r\n",
       {{L"A", L"k"}, {L"a", L"j"}, {L"B", L"k"}}},
      {"[S]\rcr=1\rlf=2\nboth=3\r\n\r\n\n\rlast=4",
       {{L"S", L"cr"}, {L"S", L"lf"}, {L"S", L"both"}, {L"S", L"last"}}},
      {"[S] trailing\r\nk=v\r\n[ section1 ]\r\n[section2]\r\n[section3]\r\n", {{L"S", L"k"}}},
      {"\xFF\xFE[\0U\0]\0\r\0\n\0k\0=\0\xE9\0\x2D\x4E\r\0\n\0"s, {{L"U", L"k"}, {L"u", L"K"}}},
      {"[S]\r\nk=" + std::string(300, 'L') + "\r\n", {{L"S", L"k"}}},
      {"", {{L"S", L"k"}}},
      {many, {{L"win7", L"k"}}},
      {std::nullopt, {{L"S", L"k"}}},
  };
  const wine::TempFolder folder(L"perinax-ini-diff");
  int index = 0;
  for (const auto& [bytes, queries] : corpus) {
    // A new name per file, so that no cached copy of an earlier file can answer.
    const std::wstring file = folder / (L"corpus" + std::to_wstring(index++) + L".ini");
    SCOPED_TRACE(file);
    if (bytes) wine::WriteBytes(file, *bytes);
    const IniReader reader = IniReader::FromFile(wine::Long(file));
    Win32Profile profile;
    // The file is there or not, whatever an earlier call left as the last error.
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(profile.AccessFile(file.c_str()), bytes ? 0 : 2);
    // Buffers of size characters and a few beyond, filled with a marker: compared whole, they
    // show what a call wrote, what it left alone, and where it put the end.
    for (DWORD size = 0; size <= 4096; size += size < 32 ? 1 : 4064) {
      std::wstring ours(size + 4, wchar_t(0xCCCC)), system = ours;
      EXPECT_EQ(reader.SectionNames(ours.data(), size),
                profile.GetSectionNames(system.data(), size, file.c_str()));
      EXPECT_EQ(ours, system) << "section names, size " << size;
    }
    for (const auto& [section, key] : queries) {
      for (const wchar_t* text : {L"Unknow", L"  dflt  ", static_cast<const wchar_t*>(nullptr)}) {
        for (const DWORD size : {0, 1, 2, 4, 259, 260, 301}) {
          SCOPED_TRACE(L"[" + std::wstring(section) + L"] " + key + L", size " +
                       std::to_wstring(size));
          std::wstring ours(size + 4, wchar_t(0xCCCC)), system = ours;
          EXPECT_EQ(reader.GetString(section, key, text, ours.data(), size),
                    profile.GetString(section, key, text, system.data(), size, file.c_str()));
          EXPECT_EQ(ours, system);
        }
      }
    }
  }
}
