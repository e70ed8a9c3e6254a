#pragma once

// The one list of perinax-explain's warning codes. The checks name a code from
// here; the text, JSON and SARIF forms, --list-codes and the page per code in
// docs/warnings/ all take the code's name, title and help from here.

#include <array>
#include <cstddef>

enum class Code {
  kSectionCase,
  kUnusedSection,
  kNoDefault,
  kMissingKey,
  kUnknownKey,
  kDuplicateKey,
  kDuplicateSection,
  kKeysBeforeSection,
  kValueNumber,
  kKeyPath,
  kInlineComment,
  kLongValue,
  kSetupFile,
  kEncoding,
  kSectionList,
  kSetupVerb,
  kSystem32,
  kSetupVariable,
  kScript32,
  kFileName,
  kUnknownCode,
};

// How much a finding matters, as every form shows it and --severity filters it.
enum class Level {
  kNote,     // worth knowing; Perinax does what the file means
  kWarning,  // probably a mistake
  kError,    // Perinax will not do what the file means: the start fails, or a
             // value is never written where meant
};

// As printed, and as SARIF's `level` spells it.
constexpr const char* LevelName(Level level) {
  switch (level) {
    case Level::kNote:
      return "note";
    case Level::kWarning:
      return "warning";
    case Level::kError:
      return "error";
  }
  return "warning";
}

struct CodeInfo {
  Code code;
  const char* name;      // as printed: "section-case"
  const char* ruleName;  // SARIF's friendly name: "SectionCase"
  Level level;           // its default level
  const char* title;     // one line
  const char* finds;     // what in the file draws it, and what Perinax then does
  const char* fix;       // how to mend the file
};

inline constexpr std::array<CodeInfo, 21> kCatalogue = {{
    {Code::kSectionCase, "section-case", "SectionCase", Level::kError,
     "A version section is spelled in a way Perinax never chooses",
     "A section whose name differs from win7, win8 or win8.1 only by letter case, or is a near "
     "miss of one (WIN8, win81, win8_1, windows7). Perinax looks for the exact name, so the "
     "cases of that version read another section instead. Its keys are checked as if it were "
     "read, so that renaming it reveals nothing new.",
     "Rename the section to the exact name Perinax looks for: [win7], [win8] or [win8.1]."},
    {Code::kUnusedSection, "unused-section", "UnusedSection", Level::kWarning,
     "A section that no Windows version reads",
     "A section that is neither a version section nor the fallback section. Windows 10 and 11 "
     "have no section of their own: they read [Default]. Its keys are checked as if it were read "
     "(no key counts as missing from it).",
     "Rename the section to one Perinax reads, or remove it."},
    {Code::kNoDefault, "no-default", "NoDefaultSection", Level::kError,
     "There is no [Default] section",
     "The file has no [Default] section, which Vista, Windows 10 and 11 and a machine whose "
     "version cannot be read all use: there every setting reads as \"Unknow\", nothing is "
     "written and the start fails with exit code 1603.",
     "Add a [Default] section with all seven keys."},
    {Code::kMissingKey, "missing-key", "MissingKey", Level::kError,
     "A section that some case reads lacks one of the seven keys",
     "A section that some Windows version reads has no SetupFile, or no path, name or value of "
     "the registry target of an architecture. The setting then reads as \"Unknow\": nothing is "
     "written, the value stores 0, or the start fails with 1603.",
     "Add the key to the section; keys are never taken from another section."},
    {Code::kUnknownKey, "unknown-key", "UnknownKey", Level::kWarning,
     "A key that Perinax never reads",
     "A key in a section Perinax reads whose name is none of the seven keys, often a misspelt "
     "one; the key it was meant to be is then missing.",
     "Correct the key's name (the message suggests a near one), or remove the key."},
    {Code::kDuplicateKey, "duplicate-key", "DuplicateKey", Level::kWarning,
     "A key given twice in one section",
     "A key that appears again in the same section, letter case aside. Only the first is read.",
     "Keep one of the two lines."},
    {Code::kDuplicateSection, "duplicate-section", "DuplicateSection", Level::kWarning,
     "A section given twice",
     "A section that appears again in the file, letter case aside. Only the first is read: the "
     "keys of the repeat are never read.",
     "Merge the two sections into one."},
    {Code::kKeysBeforeSection, "keys-before-section", "KeysBeforeSection", Level::kWarning,
     "Lines before the first section",
     "Lines other than blanks and comments before the first section header. No section owns "
     "them, so Windows ignores them.",
     "Move the keys into a section, and make the rest comments that start with ';'."},
    {Code::kValueNumber, "value-number", "ValueNotANumber", Level::kWarning,
     "A value that is not a plain decimal DWORD",
     "A RegPath32KeyValue or RegPath64KeyValue that has no digits, has text after its digits, "
     "is hexadecimal or is out of the range of a DWORD. The message says what is stored.",
     "Write the value as a decimal number from -2147483648 to 4294967295."},
    {Code::kKeyPath, "key-path", "KeyPath", Level::kError,
     "A registry key path that is not written where meant",
     "A key path that names a root key, starts with a backslash or holds a forward slash "
     "(an empty one is the way to write nothing); Wow6432Node\\ in another case or more than once; "
     "a 32-bit key path that holds "
     "Wow6432Node\\.",
     "Write the path below HKEY_LOCAL_MACHINE with backslashes, such as "
     "SOFTWARE\\Vendor\\Product; name Wow6432Node\\ once, spelled exactly, in the 64-bit path "
     "only."},
    {Code::kInlineComment, "inline-comment", "InlineComment", Level::kWarning,
     "A comment at the end of a value",
     "A value that holds ' ;' or a tab and ';'. An INI file has no end-of-line comments, so the "
     "comment is part of the value.",
     "Put the comment on a line of its own that starts with ';'."},
    {Code::kLongValue, "long-value", "LongValue", Level::kWarning,
     "A value longer than Perinax reads",
     "A value longer than 259 characters: Perinax reads the first 259 (and Windows keeps a "
     "value's length in 16 bits, so a value of 65,536 characters or more is cut further).",
     "Shorten the value."},
    {Code::kSetupFile, "setup-file", "SetupFile", Level::kError,
     "A SetupFile that cannot start the setup program",
     "A SetupFile that is empty, names a folder, holds arguments after the program's name, or "
     "is not beside the INI file (without a folder part the shell also searches the PATH and "
     "App Paths). The start then fails with 1603, or starts another program.",
     "Name only the setup program, and ship it beside Perinax.ini or give its path."},
    {Code::kEncoding, "encoding", "FileEncoding", Level::kWarning,
     "A file that Windows decodes differently from its author",
     "A UTF-8 byte-order mark (Windows reads it as text and spoils line 1), a UTF-16 big-endian "
     "mark, characters beyond ASCII in a file without a byte-order mark (read through the "
     "target's ANSI code page), or NUL bytes.",
     "Save the file as ANSI (plain ASCII) or as UTF-16LE with a byte-order mark."},
    {Code::kSectionList, "section-list", "SectionPastList", Level::kError,
     "A version section that lies too far down the file",
     "A version section past the first 4,096 characters of section names, which is all Perinax "
     "looks through: it is never chosen.",
     "Move the section near the top of the file, or remove sections that nothing reads."},
    {Code::kSetupVerb, "setup-verb", "SetupOpensInstead", Level::kError,
     "A SetupFile that Windows opens instead of running it to an end",
     "A SetupFile whose default verb shows it rather than runs it: a PowerShell script (.ps1 "
     "opens in Notepad), a text or document type, a .reg file (a merge prompt), a .url file or an "
     "http: or https: address (a browser). Nothing is installed, and Perinax waits until the "
     "window is closed, which nobody may be there to do.",
     "Name the setup program; start a script from a .cmd beside Perinax.ini that runs it "
     "(powershell.exe -File, reg.exe import)."},
    {Code::kSystem32, "system32", "System32View", Level::kWarning,
     "A SetupFile in System32 or Sysnative, which the 32-bit Perinax sees otherwise",
     "A SetupFile path through System32 on x64 Windows, where Perinax, a 32-bit program, is "
     "redirected to SysWOW64 and starts the 32-bit program; or through Sysnative on 32-bit "
     "Windows, which has no such folder, so the start fails with 1603.",
     "On x64 Windows write Sysnative for the 64-bit program; where a section serves both "
     "architectures, start a .cmd that picks the folder."},
    {Code::kSetupVariable, "setup-variable", "SetupVariable", Level::kError,
     "A SetupFile that names an environment variable",
     "A SetupFile that holds %NAME%. Perinax asks the shell without SEE_MASK_DOENVSUBST, so the "
     "variable is not expanded: the shell looks for a file whose name holds the percent signs, "
     "and the start fails with 1603.",
     "Give the path without variables (a path beside Perinax.ini), or start a .cmd that uses "
     "the variable."},
    {Code::kScript32, "script-32bit", "Script32Bit", Level::kNote,
     "A .cmd or .bat setup, which runs in the 32-bit cmd.exe on x64 Windows",
     "A SetupFile that is a batch script, read on x64 Windows. It runs in the 32-bit cmd.exe, "
     "like Perinax: for it and everything it starts, HKLM\\SOFTWARE is the 32-bit view "
     "(Wow6432Node) and System32 is SysWOW64.",
     "Nothing to mend if that is meant; to reach the 64-bit side, call "
     "%SystemRoot%\\Sysnative\\ programs from the script or use reg.exe /reg:64."},
    {Code::kFileName, "file-name", "FileName", Level::kError,
     "A file that Perinax does not read by its name",
     "A file checked under a name other than Perinax.ini (letter case aside), such as "
     "Perinax.ini.txt, the extra extension Notepad adds and Explorer hides. Perinax reads "
     "Perinax.ini beside it only: without it nothing is written and the start fails with 1603.",
     "Rename the file Perinax.ini."},
    {Code::kUnknownCode, "unknown-code", "UnknownCode", Level::kWarning,
     "A perinax-explain comment names a code that does not exist",
     "A comment '; perinax-explain: disable=CODE' whose CODE is none of perinax-explain's codes, "
     "often a misspelt one. It disables nothing, so the finding it was meant for still shows.",
     "Correct the code's name (perinax-explain --list-codes lists them), or remove it."},
}};

constexpr const CodeInfo& InfoOf(Code code) {
  return kCatalogue[static_cast<std::size_t>(code)];
}

constexpr bool CatalogueInOrder() {
  for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
    if (static_cast<std::size_t>(kCatalogue[i].code) != i) return false;
  }
  return true;
}
static_assert(CatalogueInOrder(), "each entry sits at its code's place");
