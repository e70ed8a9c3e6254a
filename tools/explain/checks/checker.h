#pragma once

// What every check needs to know about the runs, and where the checks put
// their warnings. Each check lives in the file of what it looks at:
//   check_layout.cpp      the file's encoding and layout (and the list of names)
//   check_sections.cpp    its sections
//   check_keys.cpp        the keys and values of a section some case reads
//   check_setup_file.cpp  the setup program
// A new warning is an entry in catalogue.h and a few lines in one of them.
// The checks share nothing they change but the findings: what one check finds
// for another is its result, which the other takes (see RunChecks).

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "lib/ini/ini_reader.h"
#include "settings/ini_schema.h"
#include "tools/explain/checks/catalogue.h"
#include "tools/explain/checks/checks.h"
#include "tools/explain/engine/explanation.h"

// The key of the schema of this name (letter case aside), or null for a key
// Perinax does not read. The keys themselves, and their order, come from the run.
const IniKeySpec* KeyOf(std::wstring_view name);

class Checker {
 public:
  Checker(const IniReader& ini, const std::optional<std::filesystem::path>& folder,
          const std::vector<CasePlan>& plans);

  // The findings by line, the count of those left out of the codes that had
  // too many, and the count of all.
  CheckerFindings Finish();

  // Keeps the first kWarningsPerCode findings of a code, in the order they are
  // found (the order of the file), and counts the rest.
  void Add(Range where, Code code, std::wstring about, std::wstring message,
           std::optional<Fix> fix = std::nullopt);
  // While a section no case reads has its keys checked as if it were read,
  // each message says so, so that renaming the section reveals nothing new.
  void CheckingUnread(const IniSection* section) { unread_ = section; }
  // True, and the warning counted as left out, when the code has no room left:
  // checks that run once a line ask first, so that a file of a million bad
  // lines does not build a million messages.
  bool Full(Code code, std::uint32_t line) {
    Tally& tally = tallies_[static_cast<std::size_t>(code)];
    if (tally.kept < kWarningsPerCode) return false;
    ++found_;
    if (tally.leftOut++ == 0) tally.firstLeftOut = line;
    return true;
  }

  // Where a finding lies: a section's name, a key's name or value, or a line
  // whose check knows no place on it.
  Range NameRange(const IniSection& section) const;
  Range NameRange(const IniKey& key) const;
  Range ValueRange(const IniKey& key) const;
  static Range LineStart(std::uint32_t line) { return {{line, 1}, {line, 1}}; }

  const IniReader& ini() const { return ini_; }
  std::wstring_view Name(const IniSection& section) const { return ini_.Name(section); }
  std::wstring_view Name(const IniKey& key) const { return ini_.Name(key); }
  std::wstring_view Value(const IniKey& key) const { return ini_.Value(key); }
  const std::optional<std::filesystem::path>& folder() const { return folder_; }
  // The version sections, in case order, and their gists.
  const std::vector<std::wstring>& candidates() const { return candidates_; }
  const std::vector<std::wstring>& candidateGists() const { return candidateGists_; }
  const std::vector<const CasePlan*>& CandidateCases(const std::wstring& candidate) const;
  // The section read when no version section applies.
  const std::wstring& fallback() const { return fallback_; }
  const std::vector<std::wstring>& keysRead() const { return keysRead_; }
  bool IsKeyRead(std::wstring_view name) const {
    // A section may hold a hundred thousand keys: most differ from every key
    // read in length alone.
    if (name.size() < 64 && (keyReadLengths_ >> name.size() & 1) == 0) return false;
    return std::any_of(keysRead_.begin(), keysRead_.end(),
                       [&](const std::wstring& read) { return IniReader::SameName(read, name); });
  }
  // The cases that read their settings from this section (none for a repeat).
  const std::vector<const CasePlan*>& Readers(const IniSection& section) const;
  const std::vector<const CasePlan*>& Readers(const std::wstring& name) const;
  // The sections some case reads, in file order.
  const std::vector<const IniSection*>& sectionsRead() const { return sectionsRead_; }
  // The section that the cases of a version section read instead of it.
  std::wstring ReadInstead(const std::wstring& candidate) const;
  std::vector<const CasePlan*> ForArchitecture(const std::vector<const CasePlan*>& readers,
                                               std::uint32_t architecture) const;

 private:
  // The range of `part`, a view into the reader's text that starts at `text`,
  // on `line`.
  static Range Span(std::uint32_t line, const wchar_t* text, std::wstring_view part);

  const IniReader& ini_;
  std::optional<std::filesystem::path> folder_;
  std::vector<std::wstring> candidates_;
  std::vector<std::wstring> candidateGists_;
  std::vector<std::pair<std::wstring, std::vector<const CasePlan*>>> candidateCases_;
  // By the section read: its name, and the section of that name (null when
  // the file has none), so that a file of many sections finds each one's
  // readers without comparing names.
  struct Readership {
    std::wstring name;
    const IniSection* section;
    std::vector<const CasePlan*> plans;
  };
  std::vector<Readership> readers_;
  std::vector<const IniSection*> sectionsRead_;
  std::wstring fallback_;
  std::vector<std::wstring> keysRead_;
  std::uint64_t keyReadLengths_ = 0;  // bit n: a key read is n characters long (n < 64)
  struct Tally {
    std::size_t kept = 0;
    std::size_t leftOut = 0;
    std::uint32_t firstLeftOut = 0;
  };
  std::array<Tally, kCatalogue.size()> tallies_{};
  std::vector<Finding> findings_;
  std::size_t found_ = 0;
  const IniSection* unread_ = nullptr;
};

// Findings of one code about one key's value, each message after the line as its
// author wrote it ("name=value "), the finding known by `about`.
class KeyWarnings {
 public:
  KeyWarnings(Checker& checker, Code code, const IniKey& key, const std::wstring& about,
              std::wstring_view value);
  void operator()(const std::wstring& text, std::optional<Fix> fix = std::nullopt) const;

 private:
  Checker& checker_;
  Code code_;
  const IniKey& key_;
  const std::wstring& about_;
  std::wstring prefix_;
};

// The checks, each over what its file looks at.
void CheckEncoding(Checker& checker);
void CheckLinesBeforeSection(Checker& checker);
// Gives the version sections past the list of names, which it warns of: the
// section checks say nothing more of them.
std::vector<const IniSection*> CheckSectionList(Checker& checker);
void CheckSections(Checker& checker, const std::vector<const IniSection*>& pastList);
void CheckKeys(Checker& checker, const IniSection& section,
               const std::vector<const CasePlan*>& readers);
void CheckSetupFile(Checker& checker, const std::wstring& about, const IniKey& key,
                    const std::wstring& file, const std::vector<const CasePlan*>& readers);
// What the program does once started (check_setup_traps.cpp); `readers` empty
// for a section checked as if it were read.
void CheckSetupTraps(Checker& checker, const std::wstring& about, const IniKey& key,
                     const std::wstring& file, const std::vector<const CasePlan*>& readers);
// The name the file is checked under, which Perinax reads only as Perinax.ini.
void CheckFileName(Checker& checker, const std::wstring& file);
