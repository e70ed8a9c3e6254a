#include "common/dll_fence.h"

#include <cstddef>

namespace {

// Room for a System32 path and a DLL name.
constexpr std::uint32_t kSystemPathChars = 260;

// The system DLLs that the shell, COM and WMI load by bare name on the way to
// starting a program. Without a default search path, a file of one of these
// names in the program's folder would be found first; once the System32 copy
// is in memory, a load by name finds that one. Names a given Windows lacks
// (shcore.dll before 8.1) simply fail to load.
constexpr const wchar_t* kPreloadedDlls[] = {
    L"uxtheme.dll", L"userenv.dll", L"setupapi.dll",  L"apphelp.dll",
    L"propsys.dll", L"dwmapi.dll",  L"cryptbase.dll", L"oleacc.dll",
    L"clbcatq.dll", L"version.dll", L"profapi.dll",   L"sspicli.dll",
    L"ntmarta.dll", L"secur32.dll", L"cryptsp.dll",   L"shcore.dll",
};

}  // namespace

DllFence FenceDllSearch(DllSearchApi& api) {
  if (api.SearchSystem32Only()) return DllFence::kSystem32Only;
  api.RemoveCurrentDirectoryFromSearch();
  for (const wchar_t* name : kPreloadedDlls) {
    static_cast<void>(LoadSystemDll(api, DllFence::kFullPaths, name));
  }
  return DllFence::kFullPaths;
}

DllModule LoadSystemDll(DllSearchApi& api, DllFence fence, const wchar_t* name) {
  if (fence == DllFence::kSystem32Only) return api.LoadFromSystem32(name);

  wchar_t path[kSystemPathChars] = {};
  const std::uint32_t length = api.SystemDirectory(path, kSystemPathChars);
  // A failure, or a folder that did not fit: a cut path could name another DLL.
  if (length == 0 || length + 1 >= kSystemPathChars) return nullptr;
  std::size_t at = length;
  path[at++] = L'\\';
  for (const wchar_t* p = name; *p != L'\0'; ++p) {
    if (at + 1 >= kSystemPathChars) return nullptr;
    path[at++] = *p;
  }
  path[at] = L'\0';
  return api.LoadByFullPath(path);
}
