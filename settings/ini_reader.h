#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// An INI reader that answers as GetPrivateProfileSectionNamesW and
// GetPrivateProfileStringW do on Windows, for builds and tests that have no
// Windows profile readers. It is never part of Perinax.exe.
//
// The file is read once, when the reader is made:
// - a file that starts with the bytes FF FE is UTF-16LE; any other file is
//   decoded byte by byte as Windows-1252 (the ANSI code page of western
//   Windows), so a UTF-8 byte-order mark becomes three characters of text;
// - CR, LF and CRLF end lines; blank lines are skipped;
// - a line whose first non-blank character is ';' is a comment; '#' is not;
// - '[' opens a section whose name runs to the first ']' (or the line end);
//   text after the ']' is ignored;
// - any other line with '=' is a key of the current section; lines before the
//   first section and lines without '=' are no keys;
// - names and values lose their surrounding blanks (space, tab, vertical tab);
//   a value then loses one pair of matching outer quotes, double or single.
// Values are UTF-16 code units held in wchar_t, so lengths count as on Windows
// even where wchar_t is 32 bits wide.
class IniReader {
 public:
  // A file that does not exist (or a directory in its place).
  static IniReader Missing();
  // The bytes of an existing file.
  static IniReader FromBytes(std::string_view bytes);
  // Reads the file now; a file that cannot be read counts as missing.
  static IniReader FromFile(const std::filesystem::path& path);

  bool exists() const { return exists_; }

  // As GetPrivateProfileSectionNamesW(buffer, size, file): every section name
  // in file order, each terminated, and one more terminator at the end. A list
  // that does not fit in size - 1 characters is cut to size - 2 characters and
  // ended by two terminators; the result is then size - 2. Sections without a
  // name cannot be listed and are left out.
  std::uint32_t SectionNames(wchar_t* buffer, std::uint32_t size) const;

  // As GetPrivateProfileStringW(section, key, defaultText, buffer, size, file)
  // for a named section and key: the value, or defaultText less its trailing
  // spaces (empty when null) when the file, section or key is missing, cut to
  // size - 1 characters; the result is the length copied. size 0 writes nothing.
  // Names match without regard to case; only spaces are stripped from the names
  // given here. The first of repeated sections and the first of repeated keys
  // are the ones read. The listing forms (null section or key) are not
  // supported and give the default text.
  std::uint32_t GetString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText,
                          wchar_t* buffer, std::uint32_t size) const;

 private:
  struct Entry {
    std::wstring key;
    std::wstring value;
  };
  struct Section {
    std::wstring name;
    std::vector<Entry> entries;
  };

  void Parse(const std::wstring& text);
  const std::wstring* FindValue(std::wstring_view section, std::wstring_view key) const;

  bool exists_ = false;
  std::vector<Section> sections_;
};
