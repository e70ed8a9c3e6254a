#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "osinfo/os_probe_api.h"

// Stands in for COM and WMI. Every call is recorded, in order, as one text; each
// step's result can be set, and the query yields the instances listed. Counts
// what is held, so a test can tell that everything was let go exactly once.
class FakeOsProbe final : public OsProbeApi {
 public:
  struct Instance {
    std::wstring version;
    bool readable = true;  // false: the property read fails
  };

  HResult initializeCom = 0, initializeSecurity = 0, createLocator = 0, connectServer = 0,
          setProxyBlanket = 0, execQuery = 0;
  std::vector<Instance> instances;
  std::uint16_t architecture = 9;

  std::vector<std::string> calls;
  std::wstring wmiNamespace;
  std::string query;  // language, a blank, then the query text
  // Objects held, by name ("locator", "instance 0"...): 1 while held, 0 once
  // released; below 0 after a release of something not held.
  std::map<std::string, int> held;

  HResult InitializeCom() override { return Step("InitializeCom", initializeCom); }
  HResult InitializeSecurity() override { return Step("InitializeSecurity", initializeSecurity); }
  HResult CreateLocator() override { return Step("CreateLocator", createLocator, "locator"); }
  HResult ConnectServer(const wchar_t* name) override {
    wmiNamespace = name;
    return Step("ConnectServer", connectServer, "services");
  }
  HResult SetProxyBlanket() override { return Step("SetProxyBlanket", setProxyBlanket); }
  HResult ExecQuery(const char* language, const char* text) override {
    query = std::string(language) + " " + text;
    return Step("ExecQuery", execQuery, "enumerator");
  }
  WmiObject NextInstance() override {
    calls.push_back("NextInstance");
    if (held["enumerator"] != 1 || next_ >= instances.size()) return nullptr;
    ++held["instance " + std::to_string(next_)];
    return &instances[next_++];
  }
  bool GetVersionText(WmiObject instance, wchar_t* text, std::size_t capacity) override {
    const std::size_t index = IndexOf(instance);
    calls.push_back("GetVersionText " + std::to_string(index));
    if (index >= instances.size() || !instances[index].readable) return false;
    const std::wstring version = instances[index].version.substr(0, capacity - 1);
    version.copy(text, version.size());
    text[version.size()] = L'\0';
    return true;
  }
  void ReleaseServices() override { Release("services"); }
  void ReleaseLocator() override { Release("locator"); }
  void ReleaseEnumerator() override { Release("enumerator"); }
  void ReleaseInstance(WmiObject instance) override {
    Release("instance " + std::to_string(IndexOf(instance)));
  }
  void UninitializeCom() override { calls.push_back("UninitializeCom"); }
  std::uint16_t NativeProcessorArchitecture() override {
    calls.push_back("NativeProcessorArchitecture");
    return architecture;
  }

  bool AllReleased() const {
    for (const auto& [name, count] : held) {
      if (count != 0) return false;
    }
    return true;
  }

 private:
  HResult Step(const char* name, HResult result, const char* yields = nullptr) {
    calls.push_back(name);
    if (yields != nullptr && result >= 0) ++held[yields];
    return result;
  }
  void Release(const std::string& name) {
    calls.push_back("Release " + name);
    --held[name];
  }
  std::size_t IndexOf(WmiObject instance) const {
    return static_cast<std::size_t>(static_cast<Instance*>(instance) - instances.data());
  }

  std::size_t next_ = 0;
};
