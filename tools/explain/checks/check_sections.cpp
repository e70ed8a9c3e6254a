// The sections: the fallback section, repeats, near misses of a version
// section's name and sections nothing reads; the keys of those that are read.

#include <algorithm>
#include <array>

#include "tools/explain/checks/checker.h"
#include "tools/explain/checks/wording.h"

namespace {

void NoFallback(Checker& checker) {
  const std::wstring fallback = Bracketed(checker.fallback());
  checker.Add(Checker::LineStart(1), Code::kNoDefault, fallback,
              L"there is no " + fallback + L" section, which " +
                  CaseNames(checker.Readers(checker.fallback())) +
                  L" read: there every setting is missing (\"Unknow\"), nothing is written and "
                  L"the start fails with exit code 1603; add a " +
                  fallback + L" section with all seven keys");
}

// The leads a near miss of a version section can have: those of the version
// sections' gists, and "w" (of "win" and "windows"). A name that starts
// otherwise is no near miss, which spares a file of many sections most of the
// work.
using Leads = std::array<bool, 128>;
Leads NearLeads(const Checker& checker) {
  Leads leads{};
  leads[L'w'] = true;
  for (const std::wstring& gist : checker.candidateGists()) {
    if (!gist.empty()) leads[static_cast<std::size_t>(gist.front())] = true;
  }
  return leads;
}

// The keys of a section no case reads, as if `readers` read it.
void CheckUnreadKeys(Checker& checker, const IniSection& section,
                     const std::vector<const CasePlan*>& readers) {
  checker.CheckingUnread(&section);
  CheckKeys(checker, section, readers);
  checker.CheckingUnread(nullptr);
}

// A section no case reads: a near miss of a version section, or unused.
void Unread(Checker& checker, const IniSection& section, const Leads& nearLeads,
            const std::vector<const IniSection*>& past, std::wstring& gist) {
  if (checker.Name(section).empty()) {
    if (checker.Full(Code::kUnusedSection, section.line)) return;
    checker.Add(checker.NameRange(section), Code::kUnusedSection, L"[]",
                L"a section without a name is never read; give it one of the names Perinax "
                L"reads");
    return;
  }
  // Version sections past the list of names are warned of already.
  if (!past.empty() && std::find(past.begin(), past.end(), &section) != past.end()) return;
  const std::vector<std::wstring>& candidates = checker.candidates();
  const bool near = nearLeads[static_cast<std::size_t>(GistLead(checker.Name(section)))];
  if (near) {
    GistInto(checker.Name(section), gist);
  } else {
    gist.clear();
  }
  for (std::size_t i = 0; near && i < candidates.size(); ++i) {
    const std::wstring& candidate = candidates[i];
    if (IniReader::SameName(checker.Name(section), candidate) ||
        gist == checker.candidateGists()[i]) {
      if (checker.Full(Code::kSectionCase, section.line)) return;
      // A name that differs in letter case alone is surely meant as the candidate.
      std::optional<Fix> fix;
      if (IniReader::SameName(checker.Name(section), candidate)) {
        const Range range = checker.NameRange(section);
        fix = Fix{L"Rename the section " + Bracketed(candidate),
                  {{range.start, range.end, candidate}}};
      }
      checker.Add(checker.NameRange(section), Code::kSectionCase, Bracketed(checker.Name(section)),
                  Bracketed(checker.Name(section)) + L" is never chosen: Perinax looks for " +
                      Bracketed(candidate) + L" with exactly that spelling and case, so " +
                      CaseNames(checker.CandidateCases(candidate)) + L" read " +
                      Bracketed(checker.ReadInstead(candidate)) + L" instead; rename it " +
                      Bracketed(candidate),
                  std::move(fix));
      CheckUnreadKeys(checker, section, checker.CandidateCases(candidate));
      return;
    }
  }
  if (checker.Full(Code::kUnusedSection, section.line)) return;
  const std::wstring& fallback = checker.fallback();
  std::wstring hint;
  if (gist == L"win10" || gist == L"win11" || gist == L"win100") {
    hint = L" (Windows 10 and 11 read " + Bracketed(fallback) + L")";
  } else if (EditDistance(checker.Name(section), fallback) <= 2) {
    hint = L"; did you mean " + Bracketed(fallback) + L"?";
  }
  std::wstring known;
  for (const std::wstring& candidate : candidates) {
    known += (known.empty() ? L"" : L", ") + Bracketed(candidate);
  }
  checker.Add(checker.NameRange(section), Code::kUnusedSection, Bracketed(checker.Name(section)),
              Bracketed(checker.Name(section)) + L" is never read: Perinax reads only " + known +
                  L" and " + Bracketed(fallback) + hint);
  // Which cases it was meant for is not known: no key is missing from it.
  CheckUnreadKeys(checker, section, {});
}

}  // namespace

void CheckSections(Checker& checker, const std::vector<const IniSection*>& pastList) {
  const IniReader& ini = checker.ini();
  if (ini.FindSection(checker.fallback()) == nullptr) NoFallback(checker);
  const Leads nearLeads = NearLeads(checker);
  // The sections some case reads, in file order: a file may hold a hundred
  // thousand sections, and the others only need their names looked at.
  const std::vector<const IniSection*>& read = checker.sectionsRead();
  auto nextRead = read.begin();
  std::wstring gist;  // its room kept from section to section
  for (const IniSection& section : ini.sections()) {
    if (nextRead != read.end() && *nextRead == &section) {
      ++nextRead;
      CheckKeys(checker, section, checker.Readers(section));
      continue;
    }
    if (section.repeated) {
      if (checker.Full(Code::kDuplicateSection, section.line)) continue;
      const IniSection* first = ini.FindSection(checker.Name(section));
      checker.Add(checker.NameRange(section), Code::kDuplicateSection,
                  Bracketed(checker.Name(section)),
                  Bracketed(checker.Name(section)) + L" appears again (first on line " +
                      std::to_wstring(first->line) +
                      L"): Windows reads only the first, so the keys here are never read; merge "
                      L"the two");
      continue;
    }
    Unread(checker, section, nearLeads, pastList, gist);
  }
}
