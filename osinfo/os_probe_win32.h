#pragma once

#include <windows.h>
// windows.h first: the COM and WMI headers build on it.
#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>

#include "osinfo/os_probe_api.h"

// Owns one reference to a COM object; moved never, copied never.
template <typename T>
class ComOwner {
 public:
  ComOwner() = default;
  ComOwner(const ComOwner&) = delete;
  ComOwner& operator=(const ComOwner&) = delete;
  ~ComOwner() { Reset(); }

  T* Get() const { return object_; }
  // For an out-parameter: lets go of what was held first, so reuse cannot leak.
  T** Put() {
    Reset();
    return &object_;
  }
  void Reset() {
    if (object_ != nullptr) {
      object_->Release();
      object_ = nullptr;
    }
  }

 private:
  T* object_ = nullptr;
};

// WMI through COM on the calling thread. The locator, services object and
// enumerator are held between calls and let go by their Release call, or at the
// latest when the probe is destroyed.
class Win32OsProbe final : public OsProbeApi {
 public:
  Win32OsProbe() = default;
  Win32OsProbe(const Win32OsProbe&) = delete;
  Win32OsProbe& operator=(const Win32OsProbe&) = delete;
  ~Win32OsProbe() = default;

  HResult InitializeCom() override;
  HResult InitializeSecurity() override;
  HResult CreateLocator() override;
  HResult ConnectServer(const wchar_t* wmiNamespace) override;
  HResult SetProxyBlanket() override;
  HResult ExecQuery(const char* language, const char* query) override;
  WmiObject NextInstance() override;
  bool GetVersionText(WmiObject instance, wchar_t* text, std::size_t capacity) override;
  void ReleaseServices() override;
  void ReleaseLocator() override;
  void ReleaseEnumerator() override;
  void ReleaseInstance(WmiObject instance) override;
  void UninitializeCom() override;
  std::uint16_t NativeProcessorArchitecture() override;

 private:
  ComOwner<IWbemLocator> locator_;
  ComOwner<IWbemServices> services_;
  ComOwner<IEnumWbemClassObject> enumerator_;
};
