// Our own INI reader against the system's profile readers, file by file: every
// result and every character written (or left alone) must be the same.
//
// Only what the system here and Windows agree on is compared. Kept out, and
// pinned by the host tests of the reader instead: keys before the first
// section, a section named by empty brackets, ';' comment lines, '[S' without
// ']', several ']' on a section line, the UTF-8 byte-order mark, blanks around
// the names given in a call, and the 16-bit length of very long values.
//
// Where Wine writes more than Windows is known to, only the part both agree on
// is compared: Wine also clears the character after a value whose quotes were
// removed, cuts such a value one character short when it only just fits, and
// leaves the section-name buffer untouched when a directory stands in the
// file's place.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/ini_reader.h"

namespace {

constexpr wchar_t kMarker = static_cast<wchar_t>(0xCCCC);

using Query = std::pair<const wchar_t*, const wchar_t*>;

// How much of the two buffers must agree.
enum class Compare {
  kWholeBuffer,  // every character, written or left alone
  kText,         // the text and its terminator
  kResult,       // the result alone
};

struct CorpusFile {
  const char* name;
  std::string bytes;
  std::vector<Query> queries;
  std::vector<DWORD> stringSizes = {0, 1, 2, 4, 300};
  Compare compare = Compare::kWholeBuffer;
};

std::string Utf16LeWithMark(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

std::vector<CorpusFile> Corpus() {
  const std::string longValue(300, 'L');
  std::vector<CorpusFile> corpus = {
      {"settings file",
       "; Perinax settings\r\n[Default]\r\nSetupFile=setup.exe\r\n"
       "RegPath32KeyPath=SOFTWARE\\Perinax\r\n[win7]\r\nSetupFile=win7.exe\r\n",
       {{L"Default", L"SetupFile"},
        {L"default", L"SETUPFILE"},
        {L"win7", L"SetupFile"},
        {L"win7", L"RegPath32KeyPath"},
        {L"win8", L"SetupFile"}}},
      {"blanks around names and values",
       "  [ sec one ]  \r\n \t key a \t= \t value b \t\r\n[\tS]\r\nk=\v v \v\r\n",
       {{L"sec one", L"key a"}, {L"S", L"k"}}},
      {"quotes removed",
       "[q]\r\nd=\"val2\"\r\ns='single'\r\nin=  \"   X   \"  \r\nnest='\"X\"'\r\nempty=''\r\n",
       {{L"q", L"d"}, {L"q", L"s"}, {L"q", L"in"}, {L"q", L"nest"}, {L"q", L"empty"}},
       {300},
       Compare::kText},
      {"quotes kept",
       "[q]\r\nodd=\"X'\r\nlone=\"\r\ninner=a \"b\" c\r\n",
       {{L"q", L"odd"}, {L"q", L"lone"}, {L"q", L"inner"}}},
      {"no inline comments, '#' is text",
       "[c]\r\ninline=not a ;comment\r\n#hash=v\r\nplain=v ; not a comment\r\n",
       {{L"c", L"inline"}, {L"c", L"#hash"}, {L"c", L"plain"}}},
      {"lines without '=' and empty values",
       "[s]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\nk=a=b\r\n",
       {{L"s", L"name1"},
        {L"s", L"name2"},
        {L"s", L"name3"},
        {L"s", L"name4"},
        {L"s", L"name5"},
        {L"s", L"k"}}},
      {"repeated sections and keys",
       "[A]\r\nk=1\r\nK=2\r\n[B]\r\nk=b\r\n[a]\r\nk=3\r\nj=4\r\n",
       {{L"A", L"k"}, {L"a", L"j"}, {L"B", L"k"}}},
      {"CR, LF and CRLF, no final line end",
       "[S]\rcr=1\rlf=2\nboth=3\r\n\r\n\n\rlast=4",
       {{L"S", L"cr"}, {L"S", L"lf"}, {L"S", L"both"}, {L"S", L"last"}}},
      {"text after the ']'", "[S] trailing text\r\nk=v\r\n", {{L"S", L"k"}}},
      {"three sections", "[ section1 ]\r\n[section2]\r\n[section3]\r\n", {{L"section2", L"x"}}},
      {"empty file", "", {{L"S", L"k"}}},
      {"only blank lines and comments", "\r\n  \r\n; [S]\r\n", {{L"S", L"k"}}},
      {"a 300-character value",
       "[S]\r\nk=" + longValue + "\r\n",
       {{L"S", L"k"}},
       {0, 1, 259, 260, 300, 301, 302, 400}},
      {"UTF-16LE with its byte-order mark",
       Utf16LeWithMark(u"[Uni]\r\nk=\u00e9\u4e2d\r\n[\u00c9t\u00e9]\r\nx=1\r\n"),
       {{L"Uni", L"k"}, {L"UNI", L"K"}}},
      {"a key without a name", "[s]\r\n=val_no_key\r\n", {{L"s", L""}, {L"s", L"k"}}},
  };
  if (GetACP() == 1252) {
    corpus.push_back(
        {"ANSI code page", "[S\xE9]\r\nk=\xC3\xA9 \x80 \x81\r\n", {{L"S\u00e9", L"k"}}});
  }
  return corpus;
}

const DWORD kNameSizes[] = {0, 1, 2, 3, 4, 5, 8, 16, 25, 26, 27, 28, 29, 30, 64, 4096};
const wchar_t* const kDefaults[] = {L"dflt  ", nullptr};

std::wstring ScratchDirectory() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring dir =
      std::wstring(temp) + L"perinax-ini-diff-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

void WriteBytes(const std::wstring& path, std::string_view bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  CloseHandle(file);
}

// The result and as much of the buffers as `compare` asks for.
void ExpectSame(DWORD ourResult, const std::vector<wchar_t>& ours, DWORD systemResult,
                const std::vector<wchar_t>& system, DWORD size, Compare compare) {
  EXPECT_EQ(ourResult, systemResult);
  if (compare == Compare::kWholeBuffer) {
    EXPECT_EQ(ours, system);
  } else if (compare == Compare::kText && size > 0) {
    const std::size_t length = std::min<std::size_t>(ourResult + 1, size);
    EXPECT_EQ(std::vector<wchar_t>(ours.begin(), ours.begin() + length),
              std::vector<wchar_t>(system.begin(), system.begin() + length));
  }
}

void CompareSectionNames(const IniReader& reader, const std::wstring& file,
                         Compare compare = Compare::kWholeBuffer) {
  for (const DWORD size : kNameSizes) {
    SCOPED_TRACE(testing::Message() << "section names, size " << size);
    std::vector<wchar_t> ours(size + 8, kMarker);
    std::vector<wchar_t> system(size + 8, kMarker);
    const DWORD ourResult = reader.SectionNames(ours.data(), size);
    const DWORD systemResult = GetPrivateProfileSectionNamesW(system.data(), size, file.c_str());
    ExpectSame(ourResult, ours, systemResult, system, size, compare);
  }
}

void CompareString(const IniReader& reader, const std::wstring& file, const Query& query,
                   const wchar_t* defaultText, DWORD size,
                   Compare compare = Compare::kWholeBuffer) {
  SCOPED_TRACE(testing::Message() << "[" << query.first << "] " << query.second << ", default "
                                  << (defaultText ? defaultText : L"(null)") << ", size " << size);
  std::vector<wchar_t> ours(size + 8, kMarker);
  std::vector<wchar_t> system(size + 8, kMarker);
  const DWORD ourResult =
      reader.GetString(query.first, query.second, defaultText, ours.data(), size);
  const DWORD systemResult = GetPrivateProfileStringW(query.first, query.second, defaultText,
                                                      system.data(), size, file.c_str());
  ExpectSame(ourResult, ours, systemResult, system, size, compare);
}

TEST(IniReaderDifferential, ReadsEveryCorpusFileAsTheSystemDoes) {
  const std::wstring dir = ScratchDirectory();
  int index = 0;
  for (const CorpusFile& entry : Corpus()) {
    SCOPED_TRACE(entry.name);
    // A new name per file, so no cached copy of an earlier file can answer.
    const std::wstring file = dir + L"\\corpus" + std::to_wstring(index++) + L".ini";
    WriteBytes(file, entry.bytes);
    const IniReader reader = IniReader::FromBytes(entry.bytes);
    CompareSectionNames(reader, file);
    for (const Query& query : entry.queries) {
      for (const wchar_t* defaultText : kDefaults) {
        for (const DWORD size : entry.stringSizes) {
          CompareString(reader, file, query, defaultText, size, entry.compare);
        }
      }
    }
    DeleteFileW(file.c_str());
  }
  RemoveDirectoryW(dir.c_str());
}

TEST(IniReaderDifferential, ReadsFilesFromDiskAndAMissingFileOrADirectoryAsNoFile) {
  const std::wstring dir = ScratchDirectory();
  const std::wstring file = dir + L"\\disk.ini";
  const std::wstring folder = dir + L"\\folder.ini";
  WriteBytes(file, "[S]\r\nk=from disk\r\n");
  CreateDirectoryW(folder.c_str(), nullptr);
  const struct {
    const char* name;
    std::wstring path;
    bool exists;
    Compare sectionNames;
  } cases[] = {{"file", file, true, Compare::kWholeBuffer},
               {"missing file", dir + L"\\absent.ini", false, Compare::kWholeBuffer},
               {"directory", folder, false, Compare::kResult}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const IniReader reader = IniReader::FromFile(c.path);
    EXPECT_EQ(reader.exists(), c.exists);
    CompareSectionNames(reader, c.path, c.sectionNames);
    for (const wchar_t* defaultText : kDefaults) {
      for (const DWORD size : {0, 1, 4, 300}) {
        CompareString(reader, c.path, {L"S", L"k"}, defaultText, size);
      }
    }
  }
  DeleteFileW(file.c_str());
  RemoveDirectoryW(folder.c_str());
  RemoveDirectoryW(dir.c_str());
}

}  // namespace
