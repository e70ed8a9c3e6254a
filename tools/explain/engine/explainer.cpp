// Runs the launcher's configuration phase and the start of its launch once a
// case, over the planning platform, and hands the runs to the checks.

#include "tools/explain/engine/explainer.h"

#include <cwchar>
#include <system_error>

#include "app/config_phase.h"
#include "common/launcher_state.h"
#include "common/os_version_code.h"
#include "common/text.h"
#include "launch/setup_runner.h"
#include "lib/ini/ini_reader.h"
#include "osinfo/os_version.h"
#include "registry/registry_marker.h"
#include "settings/ini_schema.h"
#include "settings/ini_settings.h"
#include "tools/common/utf.h"
#include "tools/explain/checks/checks.h"
#include "tools/explain/engine/planning_platform.h"
#include "tools/explain/engine/suppressions.h"

namespace {

CasePlan RunCase(const ExplainCase* row, const std::wstring& versionText,
                 std::uint16_t architecture, const CaseInputs& inputs) {
  const IniReader& ini = inputs.ini;
  const std::optional<std::filesystem::path>& folder = inputs.folder;
  CasePlan plan;
  plan.spec = row;
  LauncherState state;
  PlanningProfile profile(ini);
  PlanningOsProbe probe(versionText, architecture);
  PlanningRegistry registry;
  PlanningTrace trace;
  ConfigPlatform platform{profile, probe, registry, trace};
  static_cast<void>(LoadINIFile(state, platform));
  plan.phase = trace.lines;
  // The second line is the INI path the launcher built in the stand-in folder;
  // run from FILE's folder, it would be FILE's own path.
  if (plan.phase.size() > 1) plan.phase[1] = inputs.file;

  PlanningShell shell(folder, inputs.folders);
  trace.lines.clear();
  static_cast<void>(RunSetupCmd(state.settings, shell, trace, inputs.args.c_str()));
  plan.launch = trace.lines;

  plan.section = profile.sectionRead().value_or(L"");
  plan.keysRead = profile.keysRead();
  plan.settings = state.settings;
  plan.write = registry.written();
  plan.keyRefused = registry.refused();
  if (plan.write) plan.view = RegistryViewOf(state.registryView);
  // The version section comes from the OS code the launcher's own probe gives
  // this case, by the launcher's own rule.
  PlanningTrace probeTrace;
  plan.osCode = GetOSVersion(probe, probeTrace);
  plan.versionSection = VersionSectionOf(plan.osCode);
  plan.started = shell.file();
  if (plan.started && folder) {
    const auto look = [&]() -> std::optional<bool> {
      const std::optional<std::filesystem::path> local = LocalPathOf(*folder, *plan.started);
      if (!local) return std::nullopt;  // a path of the target machine alone
      std::error_code error;
      return std::filesystem::exists(*local, error);
    };
    plan.startedFound = inputs.found != nullptr ? inputs.found->Of(*plan.started, look) : look();
  }
  return plan;
}

// The code the launcher makes of a case's version text and architecture.
OSVersionCode CodeOf(const ExplainCase& row) {
  OSVersionCode code = kOSProbeFailed;
  if (row.version[0] != L'\0')
    static_cast<void>(ParseOSVersionText(row.version, row.architecture, &code));
  return code;
}

}  // namespace

CasePlan PlanCase(const ExplainCase& spec, const CaseInputs& inputs) {
  return RunCase(&spec, spec.version, spec.architecture, inputs);
}

CasePlan PlanOsCode(OSVersionCode code, const CaseInputs& inputs) {
  const ExplainCase* row = nullptr;
  for (const ExplainCase& known : ExplainCases()) {
    if (CodeOf(known) == code) row = &known;
  }
  // The probe fails as the table's case does; any other code comes back from
  // a version text of its major and minor number, which the launcher reads as
  // hexadecimal.
  wchar_t versionText[32] = L"";
  if (code != kOSProbeFailed) {
    static_cast<void>(std::swprintf(versionText, 32, L"%x.%x.0", static_cast<unsigned>(code >> 24),
                                    static_cast<unsigned>((code >> 16) & 0xFFu)));
  }
  return RunCase(row, versionText, static_cast<std::uint16_t>(ArchitectureOf(code)), inputs);
}

const std::vector<ExplainCase>& ExplainCases() {
  static const std::vector<ExplainCase> cases = {
      {"vista-x86", L"6.0.6002", 0, "6.0", "x86", L"Windows Vista"},
      {"vista-x64", L"6.0.6002", 9, "6.0", "x64", L"Windows Vista"},
      {"win7-x86", L"6.1.7601", 0, "6.1", "x86", L"Windows 7"},
      {"win7-x64", L"6.1.7601", 9, "6.1", "x64", L"Windows 7"},
      {"win8-x86", L"6.2.9200", 0, "6.2", "x86", L"Windows 8"},
      {"win8-x64", L"6.2.9200", 9, "6.2", "x64", L"Windows 8"},
      {"win81-x86", L"6.3.9600", 0, "6.3", "x86", L"Windows 8.1"},
      {"win81-x64", L"6.3.9600", 9, "6.3", "x64", L"Windows 8.1"},
      {"win10-x86", L"10.0.19045", 0, "10.0", "x86", L"Windows 10 and 11"},
      {"win10-x64", L"10.0.19045", 9, "10.0", "x64", L"Windows 10 and 11"},
      {"probe-failed", L"", 0, nullptr, nullptr, L"version not readable"},
  };
  return cases;
}

const ExplainCase* FindExplainCase(std::string_view name) {
  for (const ExplainCase& spec : ExplainCases()) {
    if (name == spec.name) return &spec;
  }
  return nullptr;
}

std::wstring NothingWrittenReason(const CasePlan& plan) {
  if (plan.write) return L"";
  if (plan.osCode == kOSProbeFailed) return L"the version cannot be read";
  const std::uint32_t arch = ArchitectureOf(plan.osCode);
  if (arch != kArchitectureX86 && arch != kArchitectureX64) {
    return L"Perinax writes one on x86 and x64 Windows only";
  }
  if (plan.keyRefused) return L"the registry refuses the key path";
  const IniKeySpec& pathKey = TargetKey(KeyRole::kPath, arch);
  const IniKeySpec& nameKey = TargetKey(KeyRole::kName, arch);
  const std::wstring section = L" in [" + Printable(plan.section, 60) + L"]";
  const wchar_t* path = plan.settings.*pathKey.field;
  if (IsMissingSetting(path)) return L"no " + std::wstring(pathKey.name) + section;
  if (path[0] == L'\0') return L"an empty " + std::wstring(pathKey.name) + section;
  if (IsMissingSetting(plan.settings.*nameKey.field)) {
    return L"no " + std::wstring(nameKey.name) + section;
  }
  return L"the value is not set";
}

std::optional<Explanation> Explain(const ExplainRequest& request) {
  const IniReader ini = IniReader::FromBytes(request.bytes);
  if (!ini.exists()) return std::nullopt;
  Explanation explanation;
  explanation.file = request.file;
  explanation.only = request.only;
  explanation.folderChecked = request.folder.has_value();
  PathAnswers beside, folders;
  const CaseInputs inputs{ini, request.folder, request.file, request.args, &beside, &folders};
  for (const ExplainCase& spec : ExplainCases()) {
    explanation.cases.push_back(PlanCase(spec, inputs));
  }
  CheckerFindings found = RunChecks(ini, request.file, request.folder, explanation.cases);
  explanation.findings = std::move(found.findings);
  explanation.leftOut = std::move(found.leftOut);
  explanation.findingCount = found.count;
  if (request.inlineSuppressions) ApplyInlineSuppressions(request.bytes, explanation);
  return explanation;
}
