#include "tools/selftest/expected_run.h"

#include <algorithm>
#include <cwctype>

#include "common/trace_texts.h"
#include "launch/setup_runner.h"
#include "lib/adapters/line_trace.h"
#include "registry/registry_marker.h"
#include "tools/common/utf.h"

namespace {

// A shell whose every start succeeds and whose program ends with the code given.
// Final, and its interface's destructor is protected: never deleted through a base pointer.
// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor)
class StartingShell final : public ShellApi {
 public:
  explicit StartingShell(std::uint32_t code) : code_(code) {}
  bool IsFolder(const wchar_t*) override { return false; }
  bool Execute(const LaunchRecord&, ProcessHandle* process) override {
    *process = this;
    return true;
  }
  void WaitForProcess(ProcessHandle) override {}
  bool GetExitCode(ProcessHandle, std::uint32_t* code) override {
    *code = code_;
    return true;
  }
  void CloseProcess(ProcessHandle) override {}

 private:
  std::uint32_t code_;
};

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring Quoted(const std::vector<std::wstring>& lines, std::size_t at) {
  return at < lines.size() ? L"\"" + Printable(lines[at], 120) + L"\"" : L"nothing";
}

}  // namespace

std::vector<std::wstring> ExpectedTrace(const CasePlan& plan, bool keyExists, SetupEnd end,
                                        const std::wstring& args) {
  std::vector<std::wstring> lines = plan.phase;
  if (keyExists) {
    // The x64 branch says it opened the key; the 32-bit one says it wrote through an opened key.
    const bool x64 = ArchitectureOf(plan.osCode) == kArchitectureX64;
    for (std::wstring& line : lines) {
      if (x64 && line == kTraceKeyCreated) line = kTraceKeyOpened;
      if (!x64 && line == kTraceValueWritten) line = kTraceValueWrittenToOpenedKey;
    }
  }
  if (!end) {
    lines.insert(lines.end(), plan.launch.begin(), plan.launch.end());
    return lines;
  }
  StartingShell shell(*end);
  LineTrace trace;
  static_cast<void>(RunSetupCmd(plan.settings, shell, trace, args.c_str()));
  lines.insert(lines.end(), trace.lines.begin(), trace.lines.end());
  return lines;
}

std::optional<StoredValue> StoredValueOf(const CasePlan& plan) {
  const std::optional<ReadBackTarget> target = ReadBackTargetOf(plan);
  if (!target) return std::nullopt;
  StoredValue stored{target->view, target->key, target->name, plan.write->value};
  const std::wstring node = Lower(kWow6432Node);
  const std::size_t at = Lower(stored.key).find(node);
  if (at != std::wstring::npos && target->view != RegistryView::kOnlyView) {
    stored.key.erase(at, node.size());
    stored.storage = RegistryView::k32;
  }
  return stored;
}

std::wstring Describe(const StoredValue& value) {
  const wchar_t* storage = value.storage == RegistryView::k64   ? L"64-bit view "
                           : value.storage == RegistryView::k32 ? L"32-bit view "
                                                                : L"";
  return storage + value.key + L" " + (value.name.empty() ? L"(Default)" : value.name) + L" = " +
         std::to_wstring(value.value);
}

std::wstring TraceDifference(const std::vector<std::wstring>& expected,
                             const std::vector<std::wstring>& actual, const std::vector<bool>& ansi,
                             AnsiTrip trip) {
  const std::size_t count = std::max(expected.size(), actual.size());
  for (std::size_t at = 0; at < count; ++at) {
    if (at < expected.size() && at < actual.size()) {
      const bool throughAnsi = at < ansi.size() && ansi[at];
      if ((throughAnsi ? trip(expected[at]) : expected[at]) == actual[at]) continue;
    }
    return L"trace line " + std::to_wstring(at + 1) + L": expected " + Quoted(expected, at) +
           L", traced " + Quoted(actual, at);
  }
  return L"";
}
