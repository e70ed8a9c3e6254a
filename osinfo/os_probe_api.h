#pragma once

#include <cstddef>
#include <cstdint>

// An HRESULT: negative values are failures.
using HResult = std::int32_t;

// An IWbemClassObject handed out by NextInstance; the caller releases it.
using WmiObject = void*;

// The platform calls of the OS version probe, one per COM, WMI or system call.
// The binding holds the locator, services object and enumerator between calls.
class OsProbeApi {
 public:
  // CoInitializeEx(NULL, COINIT_APARTMENTTHREADED).
  [[nodiscard]] virtual HResult InitializeCom() = 0;
  // CoInitializeSecurity(NULL, -1, NULL, NULL, RPC_C_AUTHN_LEVEL_DEFAULT,
  // RPC_C_IMP_LEVEL_IMPERSONATE, NULL, EOAC_NONE, NULL).
  [[nodiscard]] virtual HResult InitializeSecurity() = 0;
  // CoCreateInstance(CLSID_WbemLocator, NULL, CLSCTX_INPROC_SERVER, IID_IWbemLocator).
  [[nodiscard]] virtual HResult CreateLocator() = 0;
  // IWbemLocator::ConnectServer with the namespace as a COM string made for the
  // call and freed after it (E_OUTOFMEMORY when it cannot be made).
  [[nodiscard]] virtual HResult ConnectServer(const wchar_t* wmiNamespace) = 0;
  // CoSetProxyBlanket(services, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, NULL,
  // RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, NULL, EOAC_NONE).
  [[nodiscard]] virtual HResult SetProxyBlanket() = 0;
  // IWbemServices::ExecQuery with flags WBEM_FLAG_FORWARD_ONLY |
  // WBEM_FLAG_RETURN_IMMEDIATELY; both texts are converted to COM strings through
  // the ANSI code page for the call (E_OUTOFMEMORY when that fails).
  [[nodiscard]] virtual HResult ExecQuery(const char* language, const char* query) = 0;
  // IEnumWbemClassObject::Next(WBEM_INFINITE, 1): the object returned, or null
  // when none came back (or there is no enumerator).
  [[nodiscard]] virtual WmiObject NextInstance() = 0;
  // VariantInit, IWbemClassObject::Get(L"Version"), copy, VariantClear. True when
  // the property was read and held text; the text is cut to fit capacity.
  [[nodiscard]] virtual bool GetVersionText(WmiObject instance, wchar_t* text,
                                            std::size_t capacity) = 0;
  virtual void ReleaseServices() = 0;
  virtual void ReleaseLocator() = 0;
  virtual void ReleaseEnumerator() = 0;
  virtual void ReleaseInstance(WmiObject instance) = 0;
  virtual void UninitializeCom() = 0;
  // The low 16 bits of GetNativeSystemInfo's wProcessorArchitecture.
  virtual std::uint16_t NativeProcessorArchitecture() = 0;

 protected:
  ~OsProbeApi() = default;
};
