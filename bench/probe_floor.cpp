// The floor with the version probe: the WMI query for Win32_OperatingSystem's
// Version and GetNativeSystemInfo, then the same start and wait as the floor.
#include <wbemidl.h>

#include "launch_and_wait.h"

namespace {

unsigned QueryVersionLength() {
  unsigned length = 0;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 0;
  CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                       RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
  IWbemLocator* locator = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                 reinterpret_cast<void**>(&locator)))) {
    IWbemServices* services = nullptr;
    BSTR ns = SysAllocString(L"ROOT\\CIMV2");
    if (SUCCEEDED(locator->ConnectServer(ns, nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                         &services))) {
      CoSetProxyBlanket(services, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                        RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
      BSTR language = SysAllocString(L"WQL");
      BSTR query = SysAllocString(L"Select * from Win32_OperatingSystem");
      IEnumWbemClassObject* enumerator = nullptr;
      if (SUCCEEDED(services->ExecQuery(language, query,
                                        WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                        nullptr, &enumerator))) {
        IWbemClassObject* instance = nullptr;
        ULONG returned = 0;
        while (enumerator->Next(WBEM_INFINITE, 1, &instance, &returned) == S_OK && returned) {
          VARIANT value;
          VariantInit(&value);
          if (SUCCEEDED(instance->Get(L"Version", 0, &value, nullptr, nullptr)) &&
              value.vt == VT_BSTR)
            length = SysStringLen(value.bstrVal);
          VariantClear(&value);
          instance->Release();
        }
        enumerator->Release();
      }
      SysFreeString(query);
      SysFreeString(language);
      services->Release();
    }
    SysFreeString(ns);
    locator->Release();
  }
  CoUninitialize();
  SYSTEM_INFO system{};
  GetNativeSystemInfo(&system);
  return length + system.wProcessorArchitecture;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR args, int) {
  if (QueryVersionLength() == 0) return 1602;
  return LaunchAndWait(args);
}
