// A Windows Installer package started through the shell's association for .msi, with a quoted
// property in the argument text: it installs, its value holds the property, it is removed.

#include <string>

#include "common/handle_win32.h"
#include "tools/selftest/cases.h"
#include "tools/selftest/machine_win32.h"

namespace {

constexpr wchar_t kProductCode[] = L"{9C3E4F61-2B7D-4E8A-A5C1-3D6F8B0E2A47}";
constexpr wchar_t kMsiVerb[] = L"Msi.Package\\shell\\Open\\command";
// Windows' own verb. Wine's is msiexec /i "%1", without the %*, so that no property given to
// the package through the shell ever reaches msiexec.
constexpr wchar_t kWindowsMsiVerb[] = L"\"%SystemRoot%\\System32\\msiexec.exe\" /i \"%1\" %*";

// Under Wine, gives .msi Windows' verb for as long as it lives, when the prefix has Wine's own.
class WindowsMsiVerb {
 public:
  WindowsMsiVerb() {
    wchar_t verb[1024] = L"";
    DWORD size = sizeof(verb);
    if (!RunsUnderWine() || RegGetValueW(HKEY_CLASSES_ROOT, kMsiVerb, nullptr,
                                         RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                                         nullptr, verb, &size) != ERROR_SUCCESS)
      return;
    if (std::wstring(verb).find(L"%*") != std::wstring::npos) return;
    saved_ = verb;
    Set(kWindowsMsiVerb);
  }
  WindowsMsiVerb(const WindowsMsiVerb&) = delete;
  WindowsMsiVerb& operator=(const WindowsMsiVerb&) = delete;
  ~WindowsMsiVerb() {
    if (!saved_.empty()) Set(saved_);
  }

 private:
  static void Set(const std::wstring& verb) {
    RegSetKeyValueW(HKEY_CLASSES_ROOT, kMsiVerb, nullptr, REG_EXPAND_SZ, verb.c_str(),
                    static_cast<DWORD>(verb.size() + 1) * static_cast<DWORD>(sizeof(wchar_t)));
  }
  std::wstring saved_;
};

void RemovePackage(const std::wstring& folder) {
  std::wstring commandLine = L"msiexec.exe /x " + std::wstring(kProductCode) + L" /qn";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                      nullptr, folder.c_str(), &startup, &info))
    return;
  const KernelHandle process(info.hProcess), thread(info.hThread);
  WaitForSingleObject(process.get(), 120000);
}

}  // namespace

std::wstring PackageThroughAssociation(const SelfTestPlace& place) {
  const WindowsMsiVerb verb;
  const std::wstring folder = CaseFolder(place, L"msi");
  CopyFileW((place.helpers + L"\\selftest.msi").c_str(), (folder + L"\\selftest.msi").c_str(),
            FALSE);
  const std::wstring received = L"C:\\Program Files\\Perinax Self-Test\\";
  CaseRun run{"[Default]\r\nSetupFile=selftest.msi\r\nRegPath32KeyPath=\r\nRegPath64KeyPath=\r\n",
              L"/qn RECEIVED=\"" + received + L"\" REBOOT=ReallySuppress", 0};
  run.checkReceived = false;
  const RegistryView storage = place.twoViews ? RegistryView::k32 : RegistryView::kOnlyView;
  run.alsoStored = {{storage, L"SOFTWARE\\Perinax-SelfTest\\Package", L"Received", 0xFFFFFFFF}};
  CaseResult result = RunCase(place, folder, run);
  wchar_t value[512] = L"";
  DWORD size = sizeof(value);
  const DWORD view = storage == RegistryView::k32 ? RRF_SUBKEY_WOW6432KEY : 0;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Perinax-SelfTest\\Package", L"Received",
                   RRF_RT_REG_SZ | view, nullptr, value, &size) != ERROR_SUCCESS ||
      received != value)
    AddFailure(&result.failure,
               L"the package's value is \"" + std::wstring(value) + L"\", not the property given");
  RemovePackage(folder);
  return result.failure;
}
