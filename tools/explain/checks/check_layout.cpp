// The file as a whole: how Windows decodes it, lines no section owns, and
// whether each version section is in the list of names Perinax looks through.

#include <string>

#include "settings/ini_settings.h"
#include "tools/explain/checks/checker.h"
#include "tools/explain/checks/wording.h"

void CheckEncoding(Checker& checker) {
  const IniOddities& odd = checker.ini().oddities();
  switch (odd.encoding) {
    case IniEncoding::kUtf8Mark: {
      std::wstring lost;
      const auto& sections = checker.ini().sections();
      if (odd.linesBeforeSection.empty() || odd.linesBeforeSection.front() != 1) {
        lost = L"line 1 is blank or a comment, so nothing is lost yet, but any text put there is";
      } else {
        lost = L"the text on line 1 no longer starts with its first character";
        if (sections.empty() || sections.front().line != 1) {
          lost +=
              L" (a section header there is not seen, and the keys after it belong to "
              L"no section)";
        }
      }
      checker.Add(Checker::LineStart(1), Code::kEncoding, L"byte-order mark",
                  L"the file starts with a UTF-8 byte-order mark, which Windows does not "
                  L"recognise: it reads the three bytes as text, so " +
                      lost +
                      L" (Wine recognises the mark; Windows is what counts); save the file as "
                      L"ANSI or as UTF-16LE with a byte-order mark");
      break;
    }
    case IniEncoding::kUtf16BeMark:
      checker.Add(Checker::LineStart(1), Code::kEncoding, L"byte-order mark",
                  L"the file starts with a UTF-16 big-endian byte-order mark, which Windows "
                  L"does not understand: it reads the file as ANSI text and finds no setting in "
                  L"it; save it as UTF-16LE with a byte-order mark (or as ANSI)");
      return;
    case IniEncoding::kAnsi:
    case IniEncoding::kUtf16Le:
      break;
  }
  if (!odd.nulLines.empty()) {
    checker.Add(Checker::LineStart(odd.nulLines.front()), Code::kEncoding, L"NUL",
                std::to_wstring(odd.nulLines.size()) +
                    L" line(s) hold NUL bytes: this is probably not a text file, or one saved as "
                    L"UTF-16 without its byte-order mark; Windows reads it as ANSI text");
  }
  std::size_t first = 0;
  if (odd.encoding == IniEncoding::kUtf8Mark && !odd.nonAsciiLines.empty() &&
      odd.nonAsciiLines.front() == 1) {
    first = 1;  // the mark itself, reported above
  }
  if (odd.nonAsciiLines.size() > first) {
    checker.Add(Checker::LineStart(odd.nonAsciiLines[first]), Code::kEncoding, L"beyond ASCII",
                std::to_wstring(odd.nonAsciiLines.size() - first) +
                    L" line(s) hold characters beyond ASCII; without a byte-order mark Windows "
                    L"reads them through the ANSI code page of the target machine, which "
                    L"differs from country to country (UTF-8 text turns into other "
                    L"characters); save the file as UTF-16LE with a byte-order mark");
  }
}

void CheckLinesBeforeSection(Checker& checker) {
  const std::vector<std::uint32_t>& lines = checker.ini().oddities().linesBeforeSection;
  if (lines.empty()) return;
  const bool one = lines.size() == 1;
  const std::wstring what = one ? L"this line comes before the first section; no section owns "
                                  L"it, so Windows ignores it"
                                : std::to_wstring(lines.size()) + L" lines (" +
                                      std::to_wstring(lines.front()) + L" to " +
                                      std::to_wstring(lines.back()) +
                                      L") come before the first section; no section owns "
                                      L"them, so Windows ignores them";
  checker.Add(Checker::LineStart(lines.front()), Code::kKeysBeforeSection, L"",
              what +
                  L"; move into a section what should be read, and make the rest comments with "
                  L"';'");
}

// A version section is only chosen when its name is in the list of section
// names Perinax reads, which holds kSectionNamesChars characters. Only the
// sections up to the cut are walked, and each version section is found by
// name, so a file of many sections costs no more here than a short one.
std::vector<const IniSection*> CheckSectionList(Checker& checker) {
  std::vector<const IniSection*> pastList;
  std::vector<wchar_t> names(kSectionNamesChars, L'\0');
  const IniReader& ini = checker.ini();
  ini.SectionNames(names.data(), static_cast<std::uint32_t>(names.size()));
  const std::vector<IniSection>& sections = ini.sections();
  std::size_t at = 0;
  std::size_t cut = 0;  // the first section past the list
  // Once the list is used up, no named section is in it: those without a
  // name that follow are no version section, and are not walked.
  for (; cut < sections.size() && names[at] != L'\0'; ++cut) {
    const std::wstring_view name = checker.Name(sections[cut]);
    if (name.empty()) continue;
    const std::wstring_view listed(&names[at]);
    if (at >= names.size() - 2 || listed != name) break;
    at += listed.size() + 1;
  }
  for (const std::wstring& candidate : checker.candidates()) {
    const IniSection* section = ini.FindSection(candidate);
    if (section == nullptr || checker.Name(*section) != candidate ||
        static_cast<std::size_t>(section - sections.data()) < cut) {
      continue;
    }
    pastList.push_back(section);
    checker.Add(checker.NameRange(*section), Code::kSectionList, Bracketed(checker.Name(*section)),
                Bracketed(checker.Name(*section)) + L" lies past the first " +
                    std::to_wstring(kSectionNamesChars) +
                    L" characters of section names that Perinax looks through, so it is never "
                    L"chosen: " +
                    CaseNames(checker.CandidateCases(candidate)) + L" read " +
                    Bracketed(checker.ReadInstead(candidate)) +
                    L" instead; move it near the top of the file or remove unused sections");
  }
  return pastList;
}

void CheckFileName(Checker& checker, const std::wstring& file) {
  // The last name of a Windows or a POSIX path, or the name alone (the page).
  const std::size_t slash = file.find_last_of(L"\\/");
  const std::wstring name = slash == std::wstring::npos ? file : file.substr(slash + 1);
  if (name.empty() || name == L"-" || IniReader::SameName(name, L"Perinax.ini")) return;
  const std::wstring hidden =
      Lower(name).starts_with(L"perinax.ini.")
          ? L" (Explorer hides the extra extension, so it shows as Perinax.ini)"
          : L"";
  checker.Add(Checker::LineStart(1), Code::kFileName, L"",
              L"the file is named " + Quoted(Shown(name)) + hidden +
                  L", but Perinax reads only Perinax.ini beside it: with no such file nothing is "
                  L"written and the start fails with 1603; rename it Perinax.ini");
}
