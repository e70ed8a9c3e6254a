#include "common/system_functions_win32.h"

#include "common/dll_fence_win32.h"

namespace {

void LoadAll(SystemFunctions& f) {
  const DllFence fence = FenceDllSearchPath();
  Win32DllSearch api;

  Find(GetModuleHandleW(L"kernel32.dll"), "SetThreadErrorMode", &f.SetThreadErrorMode);

  const DllModule advapi32 = LoadSystemDll(api, fence, L"advapi32.dll");
  Find(advapi32, "RegOpenKeyExW", &f.RegOpenKeyExW);
  Find(advapi32, "RegCreateKeyExW", &f.RegCreateKeyExW);
  Find(advapi32, "RegSetValueExW", &f.RegSetValueExW);
  Find(advapi32, "RegCloseKey", &f.RegCloseKey);

  const DllModule ole32 = LoadSystemDll(api, fence, L"ole32.dll");
  Find(ole32, "CoInitializeEx", &f.CoInitializeEx);
  Find(ole32, "CoInitializeSecurity", &f.CoInitializeSecurity);
  Find(ole32, "CoCreateInstance", &f.CoCreateInstance);
  Find(ole32, "CoSetProxyBlanket", &f.CoSetProxyBlanket);
  Find(ole32, "CoUninitialize", &f.CoUninitialize);

  const DllModule oleaut32 = LoadSystemDll(api, fence, L"oleaut32.dll");
  Find(oleaut32, "SysAllocStringLen", &f.SysAllocStringLen);
  Find(oleaut32, "SysFreeString", &f.SysFreeString);
  Find(oleaut32, "VariantInit", &f.VariantInit);
  Find(oleaut32, "VariantClear", &f.VariantClear);

  const DllModule shell32 = LoadSystemDll(api, fence, L"shell32.dll");
  Find(shell32, "ShellExecuteExW", &f.ShellExecuteExW);
}

}  // namespace

const SystemFunctions& System() {
  // Zero before the first call, with no constructor to run: Perinax.exe starts
  // without the C runtime's start-up code.
  static SystemFunctions functions{};
  static bool loaded = false;
  if (!loaded) {
    LoadAll(functions);
    loaded = true;
  }
  return functions;
}
