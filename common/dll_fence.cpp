#include "common/dll_fence.h"

#include <cstddef>

namespace {

// Room for a System32 path and a DLL name.
constexpr std::uint32_t kSystemPathChars = 260;

// The system DLLs that the shell, COM and WMI load by bare name on the way to
// starting a program. Without a default search path (Vista and 7 without
// KB2533623), a file of one of these names in the program's folder would be
// found first; once the System32 copy is in memory, a load by name finds that
// one. Names a given Windows lacks (shcore before 8.1, RpcRtRemote after 7)
// simply fail to load. One name after another, each ended by a NUL, the list
// by an empty name: ASCII text takes half the room in the image. Where each
// name comes from:
constexpr char kPreloadedDlls[] =
    // 7-Zip's DllSecur.c and Mozilla's installer stubs: the shell, COM and
    // the theme and compatibility layers load these by name since Vista.
    "uxtheme.dll\0"
    "userenv.dll\0"
    "setupapi.dll\0"
    "apphelp.dll\0"
    "propsys.dll\0"
    "dwmapi.dll\0"
    "cryptbase.dll\0"
    "oleacc.dll\0"
    "clbcatq.dll\0"
    "version.dll\0"
    // Mozilla's AutoLoadSystemDependencies lists (updater, maintenance
    // service): security, profiles and, for a program on a share, the
    // network provider router (mpr).
    "profapi.dll\0"
    "sspicli.dll\0"
    "ntmarta.dll\0"
    "secur32.dll\0"
    "cryptsp.dll\0"
    "mpr.dll\0"
    // Mozilla's 7-Zip installer stub, for Windows 8.1 and later.
    "shcore.dll\0"
    // WiX Burn's engine stub (and, for the last two, Mozilla's lists):
    // comres, which CLSIDFromProgID needs when COM loads clbcatq; the
    // certificate library crypt32 and its decoder msasn1.
    "comres.dll\0"
    "msasn1.dll\0"
    "crypt32.dll\0"
    // The RPC runtime's remote extension, loaded by name on Windows 7 (public
    // lists of Windows 7 DLL-planting cases find it beside sysprep.exe, with
    // cryptbase, cryptsp and uxtheme); COM's calls into the WMI service go
    // through RPC.
    "RpcRtRemote.dll\0"
    // A program on a share: the shell asks Offline Files (cscapi) about it and
    // loads its sharing extension (ntshrui, registered without a path: the
    // planted ntshrui.dll of MITRE ATT&CK's search-order hijacking page),
    // which calls the server service client (srvcli).
    "cscapi.dll\0"
    "ntshrui.dll\0"
    "srvcli.dll\0";

// Room for the longest name and its end.
constexpr std::size_t kDllNameChars = 16;

// Every name fits, so none is ever cut into the name of another DLL.
constexpr bool EveryPreloadedNameFits() {
  std::size_t length = 0;
  for (const char c : kPreloadedDlls) {
    length = c == '\0' ? 0 : length + 1;
    if (length >= kDllNameChars) return false;
  }
  return true;
}
static_assert(EveryPreloadedNameFits());

}  // namespace

DllFence FenceDllSearch(DllSearchApi& api) {
  if (api.SearchSystem32Only()) return DllFence::kSystem32Only;
  api.RemoveCurrentDirectoryFromSearch();
  for (const char* name = kPreloadedDlls; *name != '\0'; ++name) {
    wchar_t wide[kDllNameChars] = {};
    for (wchar_t* to = wide; *name != '\0'; ++name, ++to) *to = static_cast<wchar_t>(*name);
    static_cast<void>(LoadSystemDll(api, DllFence::kFullPaths, wide));
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
