#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "osinfo/os_probe_api.h"

// COM and WMI: records every call ("-x" lets go of x), answers each step as set, counts holds.
class FakeOsProbe final : public OsProbeApi {
 public:
  struct Instance {
    std::wstring version;
    bool readable = true;  // false: the property read fails
  };

  HResult results[6] = {};  // of the six steps, in call order
  std::vector<Instance> instances;
  std::uint16_t architecture = 9;
  std::vector<std::string> calls;
  std::map<std::string, int> held;  // 1 while held, 0 once let go

  HResult InitializeCom() override { return Step(0, "Init"); }
  HResult InitializeSecurity() override { return Step(1, "Security"); }
  HResult CreateLocator() override { return Step(2, "Locator", "locator"); }
  HResult ConnectServer(const wchar_t*) override { return Step(3, "Connect", "services"); }
  HResult SetProxyBlanket() override { return Step(4, "Blanket"); }
  HResult ExecQuery(const char*, const char*) override { return Step(5, "Query", "enumerator"); }
  WmiObject NextInstance() override {
    calls.push_back("Next");
    if (held["enumerator"] != 1 || next_ == instances.size()) return nullptr;
    ++held["instance" + std::to_string(next_)];
    return &instances[next_++];
  }
  bool GetVersionText(WmiObject object, wchar_t* text, std::size_t capacity) override {
    calls.push_back("Get");
    const Instance& instance = *static_cast<Instance*>(object);
    text[instance.version.copy(text, capacity - 1)] = L'\0';
    return instance.readable;
  }
  void ReleaseServices() override { Release("services"); }
  void ReleaseLocator() override { Release("locator"); }
  void ReleaseEnumerator() override { Release("enumerator"); }
  void ReleaseInstance(WmiObject object) override {
    Release("instance" + std::to_string(static_cast<Instance*>(object) - instances.data()));
  }
  void UninitializeCom() override { calls.push_back("Uninit"); }
  std::uint16_t NativeProcessorArchitecture() override {
    calls.push_back("Arch");
    return architecture;
  }

  bool AllReleased() const {
    return std::all_of(held.begin(), held.end(), [](const auto& h) { return h.second == 0; });
  }

 private:
  HResult Step(int step, const char* name, const char* yields = nullptr) {
    calls.push_back(name);
    if (yields != nullptr && results[step] >= 0) ++held[yields];
    return results[step];
  }
  void Release(const std::string& name) {
    calls.push_back("-" + name);
    --held[name];
  }

  std::size_t next_ = 0;
};
