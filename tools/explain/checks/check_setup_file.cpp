// The setup program: what SetupFile names, and whether it is there.

#include <algorithm>
#include <cwctype>
#include <system_error>

#include "tools/explain/checks/checker.h"
#include "tools/explain/checks/wording.h"
#include "tools/explain/engine/planning_platform.h"

namespace {

// "scheme://...", the scheme of ASCII letters, digits, '+', '-' and '.' from
// the first character on. Text that holds "://" further on, such as
// "[x](https://...)", is a file name like any other.
bool IsWebAddress(const std::wstring& file) {
  const std::size_t colon = file.find(L"://");
  if (colon == std::wstring::npos || colon == 0) return false;
  return std::all_of(
      file.begin(), file.begin() + static_cast<std::ptrdiff_t>(colon), [](wchar_t c) {
        return c < 0x80 &&
               (std::iswalnum(static_cast<std::wint_t>(c)) || c == L'+' || c == L'-' || c == L'.');
      });
}

}  // namespace

void CheckSetupFile(Checker& checker, const std::wstring& about, const IniKey& key,
                    const std::wstring& file, const std::vector<const CasePlan*>& readers) {
  const KeyWarnings add(checker, Code::kSetupFile, key, about, file);
  if (file.empty()) {
    add(L"is empty: nothing is started and the exit code is 1603; name the setup program");
    return;
  }
  // Arguments written after the program's name: "setup.exe /q" or "\"a b.exe\" /q".
  const std::size_t blank = file.find_first_of(L" \t");
  const std::size_t closing = file.front() == L'"' ? file.find(L'"', 1) : std::wstring::npos;
  bool arguments = closing != std::wstring::npos && closing + 1 < file.size();
  if (!arguments && blank != std::wstring::npos) {
    const std::wstring first = Lower(file.substr(0, blank));
    for (const std::wstring_view extension : {L".exe", L".msi", L".bat", L".cmd", L".com"}) {
      arguments = arguments || first.ends_with(extension);
    }
  }
  if (arguments) {
    add(L"holds arguments after the program's name, but the whole text names one file, which "
        L"does not exist: the start fails with 1603; name only the program (its arguments are "
        L"the ones Perinax is started with)");
    return;
  }
  CheckSetupTraps(checker, about, key, file, readers);
  // Whether the program is there is for the folder to say; a web page that has
  // only the file's bytes cannot. A web address is no file to look for.
  // A variable is warned of already: the name with its percent signs is there
  // on no machine.
  if (!checker.folder() || IsWebAddress(file) || std::count(file.begin(), file.end(), L'%') >= 2) {
    return;
  }
  const std::optional<std::filesystem::path> local = LocalPathOf(*checker.folder(), file);
  if (!local) return;  // a drive or network path of the target machine
  std::error_code error;
  if (std::filesystem::is_directory(*local, error)) {
    add(L"names a folder: nothing is started and the exit code is 1603; name the setup program "
        L"inside it");
    return;
  }
  if (std::filesystem::exists(*local, error)) return;
  const bool folderPart = file.find_first_of(L"\\/:") != std::wstring::npos;
  add(L"is not beside the INI file" +
      (folderPart ? std::wstring(L"")
                  : std::wstring(L"; having no folder part, it is also searched for on the PATH "
                                 L"and in App Paths, so another program of that name may "
                                 L"start")) +
      L"; where it is missing the start fails with 1603; ship it beside Perinax.ini or give its "
      L"path");
}
