#include "osinfo/os_probe_win32.h"

#include "common/com_owners_win32.h"
#include "common/system_functions_win32.h"

namespace {

std::size_t TextLength(const wchar_t* text) {
  std::size_t length = 0;
  while (text[length] != L'\0') ++length;
  return length;
}

// An 8-bit text as a COM string, converted through the ANSI code page. Null when
// it cannot be made.
BSTR AnsiToBstr(const char* text) {
  const int chars = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (chars <= 0) return nullptr;
  BstrOwner converted(NewComString(nullptr, static_cast<UINT>(chars - 1)));
  if (converted.Get() == nullptr) return nullptr;
  if (MultiByteToWideChar(CP_ACP, 0, text, -1, converted.Get(), chars) != chars) return nullptr;
  return converted.Release();
}

}  // namespace

HResult Win32OsProbe::InitializeCom() {
  const auto initialize = System().CoInitializeEx;
  return initialize != nullptr ? initialize(nullptr, COINIT_APARTMENTTHREADED)
                               : kFunctionMissingResult;
}

HResult Win32OsProbe::InitializeSecurity() {
  const auto initializeSecurity = System().CoInitializeSecurity;
  if (initializeSecurity == nullptr) return kFunctionMissingResult;
  return initializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                            RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
}

HResult Win32OsProbe::CreateLocator() {
  const auto createInstance = System().CoCreateInstance;
  if (createInstance == nullptr) return kFunctionMissingResult;
  return createInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                        reinterpret_cast<void**>(locator_.Put()));
}

HResult Win32OsProbe::ConnectServer(const wchar_t* wmiNamespace) {
  if (locator_.Get() == nullptr) return E_POINTER;
  const BstrOwner name(NewComString(wmiNamespace, static_cast<UINT>(TextLength(wmiNamespace))));
  if (name.Get() == nullptr) return E_OUTOFMEMORY;
  return locator_.Get()->ConnectServer(name.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                       services_.Put());
}

HResult Win32OsProbe::SetProxyBlanket() {
  if (services_.Get() == nullptr) return E_POINTER;
  const auto setProxyBlanket = System().CoSetProxyBlanket;
  if (setProxyBlanket == nullptr) return kFunctionMissingResult;
  return setProxyBlanket(services_.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                         RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
}

HResult Win32OsProbe::ExecQuery(const char* language, const char* query) {
  if (services_.Get() == nullptr) return E_POINTER;
  const BstrOwner languageText(AnsiToBstr(language));
  const BstrOwner queryText(AnsiToBstr(query));
  if (languageText.Get() == nullptr || queryText.Get() == nullptr) return E_OUTOFMEMORY;
  return services_.Get()->ExecQuery(languageText.Get(), queryText.Get(),
                                    WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                    enumerator_.Put());
}

WmiObject Win32OsProbe::NextInstance() {
  if (enumerator_.Get() == nullptr) return nullptr;
  IWbemClassObject* instance = nullptr;
  ULONG returned = 0;
  enumerator_.Get()->Next(WBEM_INFINITE, 1, &instance, &returned);
  return returned != 0 ? instance : nullptr;
}

bool Win32OsProbe::GetVersionText(WmiObject instance, wchar_t* text, std::size_t capacity) {
  if (instance == nullptr || capacity == 0) return false;
  if (System().VariantInit == nullptr || System().VariantClear == nullptr) return false;
  VariantOwner value;
  const HRESULT hres =
      static_cast<IWbemClassObject*>(instance)->Get(L"Version", 0, value.Get(), nullptr, nullptr);
  if (FAILED(hres) || value.Get()->vt != VT_BSTR || value.Get()->bstrVal == nullptr) return false;
  const wchar_t* version = value.Get()->bstrVal;
  std::size_t length = 0;
  while (length + 1 < capacity && version[length] != L'\0') {
    text[length] = version[length];
    ++length;
  }
  text[length] = L'\0';
  return true;
}

void Win32OsProbe::ReleaseServices() {
  services_.Reset();
}

void Win32OsProbe::ReleaseLocator() {
  locator_.Reset();
}

void Win32OsProbe::ReleaseEnumerator() {
  enumerator_.Reset();
}

void Win32OsProbe::ReleaseInstance(WmiObject instance) {
  if (instance != nullptr) static_cast<IWbemClassObject*>(instance)->Release();
}

void Win32OsProbe::UninitializeCom() {
  // COM was initialised through ole32, so this is there whenever it is called.
  if (const auto uninitialize = System().CoUninitialize) uninitialize();
}

std::uint16_t Win32OsProbe::NativeProcessorArchitecture() {
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture;
}
