// The configuration phase on this Windows: the section chosen for its version and architecture,
// and the value in the view it belongs in, for each form of key path.

#include <string>

#include "tools/common/utf.h"
#include "tools/selftest/cases.h"

namespace {

// One section naming the stand-in setup program and both targets.
std::string Section(const std::string& name, const std::string& path64, const std::string& path32,
                    const std::string& valueName, const std::string& value) {
  return "[" + name + "]\r\nSetupFile=setup.exe\r\nRegPath32KeyPath=" + path32 +
         "\r\nRegPath32KeyName=" + valueName + "\r\nRegPath32KeyValue=" + value +
         "\r\nRegPath64KeyPath=" + path64 + "\r\nRegPath64KeyName=" + valueName +
         "\r\nRegPath64KeyValue=" + value + "\r\n";
}

std::wstring Check(const SelfTestPlace& place, const wchar_t* name, const CaseRun& run) {
  return RunCase(place, CaseFolder(place, name), run).failure;
}

// Every version section and Default, each with its own value: the trace and the value show
// which one this Windows made Perinax read.
std::wstring SectionForThisWindows(const SelfTestPlace& place) {
  const std::string key = "SOFTWARE\\Perinax-SelfTest\\Section";
  std::string ini;
  for (const auto& [section, value] :
       {std::pair("win7", "61"), {"win8", "62"}, {"win8.1", "63"}, {"Default", "100"}})
    ini += Section(section, key, key, section, value);
  return Check(place, L"section", {ini, L"/exitcode=0", 0});
}

// A key path of the 64-bit target in one form (the 32-bit target on 32-bit Windows), the key
// there before the run or not.
std::wstring ValueIn(const SelfTestPlace& place, const wchar_t* name, const std::string& path64,
                     bool keyExists) {
  const std::string ini =
      Section("Default", path64, "SOFTWARE\\Perinax-SelfTest\\X86", "Stage", "42");
  CaseRun run{ini, L"/exitcode=0", 0};
  run.keyExists = keyExists;
  return Check(place, name, run);
}

std::wstring NewKey64(const SelfTestPlace& place) {
  return ValueIn(place, L"view64", "SOFTWARE\\Perinax-SelfTest\\View64", false);
}
std::wstring ExistingKey64(const SelfTestPlace& place) {
  return ValueIn(place, L"view64-existing", "SOFTWARE\\Perinax-SelfTest\\View64", true);
}
std::wstring Wow6432Node(const SelfTestPlace& place) {
  return ValueIn(place, L"wow6432node", "SOFTWARE\\Wow6432Node\\Perinax-SelfTest\\View32", false);
}
std::wstring Wow6432NodeExisting(const SelfTestPlace& place) {
  return ValueIn(place, L"wow6432node-existing", "SOFTWARE\\Wow6432Node\\Perinax-SelfTest\\View32",
                 true);
}
// Not the form Perinax takes out: written as it stands, in the 64-bit view, where the registry
// itself leads it to the 32-bit storage.
std::wstring Wow6432NodeLowerCase(const SelfTestPlace& place) {
  return ValueIn(place, L"wow6432node-lower", "SOFTWARE\\wow6432node\\Perinax-SelfTest\\Lower",
                 false);
}

}  // namespace

const std::vector<SelfTest>& PhaseTests() {
  static const std::vector<SelfTest> tests = {
      {L"section chosen for this Windows, whole trace as the checker predicts",
       &SectionForThisWindows},
      {L"value in its view and not the other, plain key path, new key", &NewKey64},
      {L"value in its view and not the other, plain key path, existing key", &ExistingKey64},
      {L"Wow6432Node\\ key path: value in the 32-bit view only, new key", &Wow6432Node},
      {L"Wow6432Node\\ key path: value in the 32-bit view only, existing key",
       &Wow6432NodeExisting},
      {L"wow6432node\\ in lower case: written as it stands", &Wow6432NodeLowerCase},
  };
  return tests;
}
