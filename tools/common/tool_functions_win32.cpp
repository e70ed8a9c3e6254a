#include "tools/common/tool_functions_win32.h"

#include "common/dll_fence_win32.h"

namespace {

ToolFunctions LoadAll() {
  const DllFence fence = FenceDllSearchPath();
  Win32DllSearch api;
  ToolFunctions f{};

  Find(GetModuleHandleW(L"kernel32.dll"), "WaitForDebugEventEx", &f.WaitForDebugEventEx);

  const DllModule advapi32 = LoadSystemDll(api, fence, L"advapi32.dll");
  Find(advapi32, "OpenProcessToken", &f.OpenProcessToken);
  Find(advapi32, "GetTokenInformation", &f.GetTokenInformation);
  Find(advapi32, "LookupAccountSidW", &f.LookupAccountSidW);
  Find(advapi32, "RegOpenKeyExW", &f.RegOpenKeyExW);
  Find(advapi32, "RegQueryValueExW", &f.RegQueryValueExW);
  Find(advapi32, "RegCloseKey", &f.RegCloseKey);

  const DllModule version = LoadSystemDll(api, fence, L"version.dll");
  Find(version, "GetFileVersionInfoSizeW", &f.GetFileVersionInfoSizeW);
  Find(version, "GetFileVersionInfoW", &f.GetFileVersionInfoW);
  Find(version, "VerQueryValueW", &f.VerQueryValueW);
  return f;
}

}  // namespace

const ToolFunctions& Tools() {
  static const ToolFunctions functions = LoadAll();
  return functions;
}
