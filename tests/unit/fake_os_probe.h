#pragma once

#include <string>
#include <vector>

#include "osinfo/os_probe_api.h"

// COM and WMI: records every call ("-x" lets go of x), answers each step as set, and counts
// the objects handed out and not yet let go.
class FakeOsProbe final : public OsProbeApi {
 public:
  HResult results[6] = {};             // of the six steps, in call order
  std::vector<std::wstring> versions;  // one an instance; "?" cannot be read
  std::uint16_t architecture = 9;
  std::vector<std::string> calls;
  int held = 0;

  HResult InitializeCom() override { return Step(0, "Init"); }
  HResult InitializeSecurity() override { return Step(1, "Security"); }
  HResult CreateLocator() override { return Step(2, "Locator", true); }
  HResult ConnectServer(const wchar_t*) override { return Step(3, "Connect", true); }
  HResult SetProxyBlanket() override { return Step(4, "Blanket"); }
  HResult ExecQuery(const char*, const char*) override { return Step(5, "Query", true); }
  WmiObject NextInstance() override {
    calls.push_back("Next");
    if (next_ == versions.size()) return nullptr;
    ++held;
    return &versions[next_++];
  }
  bool GetVersionText(WmiObject object, wchar_t* text, std::size_t capacity) override {
    calls.push_back("Get");
    const std::wstring& version = *static_cast<std::wstring*>(object);
    text[version.copy(text, capacity - 1)] = L'\0';
    return version != L"?";
  }
  void ReleaseServices() override { Release("-services"); }
  void ReleaseLocator() override { Release("-locator"); }
  void ReleaseEnumerator() override { Release("-enumerator"); }
  void ReleaseInstance(WmiObject object) override {
    Release("-instance" + std::to_string(static_cast<std::wstring*>(object) - versions.data()));
  }
  void UninitializeCom() override { calls.push_back("Uninit"); }
  std::uint16_t NativeProcessorArchitecture() override { return architecture; }

 private:
  HResult Step(int step, const char* name, bool yields = false) {
    calls.push_back(name);
    held += yields && results[step] >= 0 ? 1 : 0;
    return results[step];
  }
  void Release(const std::string& name) {
    calls.push_back(name);
    --held;
  }

  std::size_t next_ = 0;
};
