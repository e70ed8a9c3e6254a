#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lib/ini/ini_decode.h"

// An INI reader that answers as GetPrivateProfileSectionNamesW and
// GetPrivateProfileStringW do on Windows, for builds and tests that have no
// Windows profile readers, and for perinax-explain, which predicts Perinax's
// reads with it and reports what in a file Windows reads differently from what
// its author probably meant. It is never part of Perinax.exe.
//
// The file is read once, when the reader is made:
// - a file that starts with the bytes FF FE is UTF-16LE; any other file is
//   decoded byte by byte as Windows-1252 (the ANSI code page of western
//   Windows), so a UTF-8 byte-order mark becomes three characters of text;
// - CR, LF and CRLF end lines (CRLF counts as one line end, for line numbers);
//   blank lines are skipped;
// - a line whose first non-blank character is ';' is a comment; '#' is not;
// - '[' opens a section whose name runs to the first ']' (or the line end);
//   text after the ']' is ignored;
// - any other line with '=' is a key of the current section; lines before the
//   first section and lines without '=' are no keys;
// - names and values lose their surrounding blanks (space, tab, vertical tab);
//   a value then loses one pair of matching outer quotes, double or single.
// Values are UTF-16 code units held in wchar_t, so lengths count as on Windows
// even where wchar_t is 32 bits wide.

// A key line of a section, and a section line, as the reader keeps them:
// where the name starts in the reader's decoded text, how long it is, and the
// line. The reader gives the name (IniReader::Name) and a key's value
// (IniReader::Value) as views into its text, which live as long as the reader
// or a copy of it: names and values without their blanks, values without
// their outer quotes, uncut.
//
// A file of short lines holds a record for nearly every line, and the memory
// of the records is most of what reading such a file costs: a record keeps a
// few numbers, and a key's value is found again on its line when asked.
struct IniKey {
  std::uint32_t nameAt = 0;
  std::uint32_t nameSize = 0;
  std::uint32_t lineSize = 0;      // from the name's start to the end of the line's text
  std::uint32_t line : 31 = 0;     // 1-based
  std::uint32_t repeated : 1 = 0;  // an earlier key of the section has this name: never read
};

struct IniSection {
  std::uint32_t nameAt = 0;
  std::uint32_t nameSize = 0;
  std::uint32_t line : 31 = 0;
  std::uint32_t repeated : 1 = 0;  // an earlier section has this name: its keys are never read
};
static_assert(sizeof(IniKey) == 16 && sizeof(IniSection) == 12);

// What a file holds that Windows passes over.
struct IniOddities {
  IniEncoding encoding = IniEncoding::kAnsi;
  // Lines other than blanks and comments before the first section: no section
  // owns them, so nothing reads them.
  std::vector<std::uint32_t> linesBeforeSection;
  // Lines of a file decoded through the ANSI code page that hold bytes of 0x80
  // and above, or NUL bytes.
  std::vector<std::uint32_t> nonAsciiLines;
  std::vector<std::uint32_t> nulLines;
};

class IniReader {
 public:
  // A file that does not exist (or a directory in its place).
  static IniReader Missing();
  // The size from which a file counts as missing: no INI file is 2 GiB, and
  // places and line numbers are kept in 32 and 31 bits.
  static constexpr std::uint64_t kTooLargeBytes = std::uint64_t{1} << 31;

  // The bytes of an existing file; kTooLargeBytes or more count as missing.
  static IniReader FromBytes(std::string_view bytes);
  // Reads the file now; a file that cannot be read counts as missing, and so
  // does one of 2 GiB or more.
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

  // The name of a section or key, and the value of a key.
  std::wstring_view Name(const IniSection& section) const {
    return {text_->data() + section.nameAt, section.nameSize};
  }
  std::wstring_view Name(const IniKey& key) const {
    return {text_->data() + key.nameAt, key.nameSize};
  }
  std::wstring_view Value(const IniKey& key) const;

  // Every section in file order, repeated ones and those without a name included.
  const std::vector<IniSection>& sections() const { return sections_; }
  const IniOddities& oddities() const { return oddities_; }

  // The section that GetString reads for this name (the first of that name),
  // or null.
  const IniSection* FindSection(std::wstring_view name) const;
  // The keys of a section, in file order, repeated ones included.
  std::span<const IniKey> Keys(const IniSection& section) const;
  // The key of the section that GetString reads for this name, or null.
  const IniKey* FindKey(const IniSection& section, std::wstring_view name) const;
  // True when the profile readers take the two names for one.
  static bool SameName(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && SameLetters(a, b);  // most names differ in length
  }
  // How many characters of the value a read hands back before any cut to the
  // caller's buffer: Windows keeps the length in 16 bits.
  static std::size_t LengthRead(std::wstring_view value) { return value.size() & 0xFFFFu; }

 private:
  static bool SameLetters(std::wstring_view a, std::wstring_view b);
  void Parse(std::wstring_view text);
  // Builds the tables of section and key names, and marks the repeated ones.
  void Index();
  // The keys of the section at this place in sections_, [first, last): those
  // after its line and before the next section's.
  std::pair<std::uint32_t, std::uint32_t> KeyRange(const IniSection& section) const;

  bool exists_ = false;
  // The whole file, decoded; every name and value is a view into it. Shared,
  // so that a copy of the reader keeps the text its views point into.
  std::shared_ptr<const std::wstring> text_;
  std::vector<IniSection> sections_;
  // The keys of all sections in file order.
  std::vector<IniKey> keys_;
  // The first section of each name, and the first key of each name in each
  // section, letter case aside, found by a hash of the folded name (and, for
  // a key, its section): open-addressed tables of indices plus one (0 is an
  // empty slot), each a power of two at least half as large again as what it
  // holds. No folded copy of a name is made, and a name is found in one step
  // however many sections or keys the file holds. Their memory comes zeroed
  // from the system, so that only the pages a name lands on are touched: a
  // file that repeats one name a hundred thousand times uses one page of its
  // table. Shared, as they do not change once built.
  struct Slots {
    std::shared_ptr<std::uint32_t[]> slots;
    std::size_t size = 0;
    std::span<std::uint32_t> all() const { return {slots.get(), size}; }
  };
  static Slots ZeroedSlots(std::size_t size);
  Slots sectionSlots_;
  Slots keySlots_;
  // The list of section names SectionNames last built, and for what size (0:
  // none). A reader is not for two threads at once.
  struct NamesListed {
    std::wstring list;
    std::uint32_t size = 0;
  };
  mutable NamesListed namesListed_;
  IniOddities oddities_;
};
