// The setup programs that start but do not do what the file means: a document
// or a script that Windows opens instead of running, a path through System32
// or Sysnative as the 32-bit Perinax sees it, a variable that is never
// expanded, and a batch script's 32-bit view of the machine.

#include <string_view>

#include "common/os_version_code.h"
#include "tools/explain/checks/checker.h"
#include "tools/explain/checks/wording.h"

namespace {

// The extension of the file's last name, lowered: ".ps1", or empty.
std::wstring ExtensionOf(const std::wstring& file) {
  const std::size_t name = file.find_last_of(L"\\/:");
  const std::size_t dot = file.rfind(L'.');
  if (dot == std::wstring::npos || (name != std::wstring::npos && dot < name)) return L"";
  return Lower(file.substr(dot));
}

// What Windows does with the file instead of running it to an end, with what to
// write instead; empty for a file its default verb runs.
std::wstring OpenedInstead(const std::wstring& file) {
  const std::wstring lower = Lower(file);
  if (lower.starts_with(L"http:") || lower.starts_with(L"https:")) {
    return L"is a web address: Windows opens it in the browser, which installs nothing and may "
           L"never end (or hands it to a browser already running, and Perinax ends with 1603); "
           L"ship the setup program beside Perinax.ini and name it";
  }
  const std::wstring extension = ExtensionOf(file);
  if (extension == L".ps1") {
    return L"is a PowerShell script, whose default verb opens it in Notepad: nothing runs, and "
           L"Perinax waits until Notepad is closed, which nobody may be there to do; name a .cmd "
           L"beside Perinax.ini that runs powershell.exe -NoProfile -ExecutionPolicy Bypass "
           L"-File \"%~dp0script.ps1\" %*";
  }
  if (extension == L".reg") {
    return L"is a registry file, whose default verb is Merge: Registry Editor asks whether to "
           L"go on, nobody may answer, and Perinax waits; name a .cmd that runs reg.exe import "
           L"\"%~dp0settings.reg\"";
  }
  if (extension == L".url") {
    return L"is an Internet shortcut: Windows opens its address in the browser, which installs "
           L"nothing and may never end; ship the setup program beside Perinax.ini and name it";
  }
  for (const std::wstring_view document :
       {L".txt", L".log", L".ini", L".inf", L".md", L".rtf", L".doc", L".docx", L".pdf", L".htm",
        L".html", L".xml", L".csv", L".json", L".xls", L".xlsx", L".ps1xml", L".psm1"}) {
    if (extension == document) {
      return L"is a document: Windows opens it in its viewer (Notepad, a browser, a reader), "
             L"nothing is installed, and Perinax waits until the viewer is closed; name the "
             L"setup program";
    }
  }
  return L"";
}

// The first "\NAME\" (or with '/') in the path, letter case aside.
bool HoldsFolder(const std::wstring& file, std::wstring_view folder) {
  const std::wstring lower = Lower(file);
  for (std::size_t at = lower.find(folder); at != std::wstring::npos;
       at = lower.find(folder, at + 1)) {
    const bool before = at == 0 || lower[at - 1] == L'\\' || lower[at - 1] == L'/';
    const std::size_t end = at + folder.size();
    const bool after = end < lower.size() && (lower[end] == L'\\' || lower[end] == L'/');
    if (before && after) return true;
  }
  return false;
}

// The first %NAME% in the text, or empty.
std::wstring VariableIn(const std::wstring& file) {
  const std::size_t open = file.find(L'%');
  if (open == std::wstring::npos) return L"";
  const std::size_t close = file.find(L'%', open + 1);
  if (close == std::wstring::npos || close == open + 1) return L"";
  return file.substr(open, close - open + 1);
}

}  // namespace

void CheckSetupTraps(Checker& checker, const std::wstring& about, const IniKey& key,
                     const std::wstring& file, const std::vector<const CasePlan*>& readers) {
  auto add = [&](Code code, const std::wstring& text) {
    KeyWarnings(checker, code, key, about, file)(text);
  };
  if (const std::wstring instead = OpenedInstead(file); !instead.empty()) {
    add(Code::kSetupVerb, instead);
  }
  if (const std::wstring variable = VariableIn(file); !variable.empty()) {
    add(Code::kSetupVariable,
        L"names " + Shown(variable) +
            L", which is not expanded: Perinax asks the shell without SEE_MASK_DOENVSUBST, so it "
            L"looks for a file whose name holds the percent signs and the start fails with 1603; "
            L"give the path without variables, or name a .cmd that uses them");
  }
  // No reader: a section checked as if it were read, for any architecture.
  const std::vector<const CasePlan*> x64 = checker.ForArchitecture(readers, kArchitectureX64);
  const std::vector<const CasePlan*> x86 = checker.ForArchitecture(readers, kArchitectureX86);
  const bool onX64 = readers.empty() || !x64.empty();
  const bool onX86 = readers.empty() || !x86.empty();
  const std::wstring x64Cases = x64.empty() ? L"x64 Windows" : CaseNames(x64);
  if (onX64 && HoldsFolder(file, L"system32")) {
    add(Code::kSystem32,
        L"goes through System32, which on " + x64Cases +
            L" is SysWOW64 for the 32-bit Perinax: the 32-bit program starts; write Sysnative "
            L"for the 64-bit one" +
            (onX86 ? std::wstring(L" (32-bit Windows has no Sysnative: a section read on both "
                                  L"needs a .cmd that picks the folder)")
                   : std::wstring()));
  }
  if (onX86 && HoldsFolder(file, L"sysnative")) {
    add(Code::kSystem32, L"goes through Sysnative, which " +
                             (x86.empty() ? std::wstring(L"32-bit Windows") : CaseNames(x86)) +
                             L" do not have: the start fails with 1603; write System32 there");
  }
  const std::wstring extension = ExtensionOf(file);
  if (onX64 && (extension == L".cmd" || extension == L".bat")) {
    add(Code::kScript32,
        L"is a batch script: on " + x64Cases +
            L" it runs in the 32-bit cmd.exe, like Perinax, so for it and every program it "
            L"starts HKLM\\SOFTWARE is the 32-bit view (Wow6432Node) and System32 is SysWOW64; "
            L"call %SystemRoot%\\Sysnative\\ programs or reg.exe /reg:64 for the 64-bit side");
  }
}
