#include "tools/trace/run_records.h"

#include <cwchar>

#include "common/setup_settings.h"
#include "common/trace_texts.h"
#include "lib/ini/ini_reader.h"
#include "perinax_version.h"
#include "registry/registry_marker.h"
#include "tools/common/version_banner.h"

namespace {

constexpr std::int32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kKeyWow64Key32 = 0x200;  // KEY_WOW64_32KEY

// What the launcher's "OS version %d" line starts with.
constexpr std::wstring_view kOsVersionLine = TraceTextFixedPart(kTraceOsVersion);

ViewerLine Information(std::wstring text) {
  return {Severity::kInformation, std::move(text)};
}

// A SetupFile text that names its own place (a drive, a network path, the root).
bool NamesItsPlace(const std::wstring& file) {
  return (file.size() >= 2 && file[1] == L':') || file.starts_with(L'\\') || file.starts_with(L'/');
}

ViewerLine SectionRecord(const AfterRunFacts& facts) {
  if (!facts.iniFound) return Information(L"section read: none, there is no Perinax.ini");
  return Information(L"section read: [" + facts.plan.section + L"]");
}

ViewerLine ProgramRecord(const AfterRunFacts& facts) {
  const CasePlan& plan = facts.plan;
  const std::wstring what = facts.started ? L"program started: " : L"program not started: ";
  // The launcher starts nothing the INI file did not name whole.
  if (!plan.settings.m_bSetupFileNamed) return Information(what + L"none, Perinax.ini names none");
  const std::wstring named = plan.settings.m_szSetupFile;
  std::wstring text = what + named;
  if (plan.startedFound.value_or(false) && !NamesItsPlace(named))
    text += L" (" + PathInFolder(facts.folder, named) + L")";
  return Information(text);
}

std::wstring ViewText(RegistryView view) {
  switch (view) {
    case RegistryView::k64:
      return L"64-bit view";
    case RegistryView::k32:
      return L"32-bit view";
    case RegistryView::kOnlyView:
      break;
  }
  return L"32-bit Windows";
}

std::wstring Number(std::uint32_t value) {
  wchar_t text[32];
  static_cast<void>(std::swprintf(text, sizeof(text) / sizeof(text[0]), L"%lu (0x%lx)",
                                  static_cast<unsigned long>(value),
                                  static_cast<unsigned long>(value)));
  return text;
}

ViewerLine RegistryRecord(const AfterRunFacts& facts) {
  const std::optional<ReadBackTarget> target = ReadBackTargetOf(facts.plan);
  if (!target || !facts.readBack) {
    return Information(L"registry value: none written, " +
                       (facts.iniFound ? NothingWrittenReason(facts.plan)
                                       : std::wstring(L"there is no Perinax.ini")));
  }
  const ReadBack& read = *facts.readBack;
  const std::wstring value = L"registry value: HKLM\\" + target->key + L" " +
                             (target->name.empty() ? L"(Default)" : target->name);
  const std::wstring view = L", " + ViewText(target->view);
  if (read.status == kErrorFileNotFound)
    return {Severity::kWarning, value + L" is not there" + view};
  if (read.status != 0)
    return {Severity::kWarning, value + L" cannot be read" + view + L": " + read.errorText};
  const std::uint32_t planned = facts.plan.write->value;
  if (read.value != planned) {
    return {Severity::kWarning, value + L" = " + Number(read.value) + view + L", not the " +
                                    Number(planned) + L" that Perinax.ini gives"};
  }
  return Information(value + L" = " + Number(read.value) + view);
}

}  // namespace

std::wstring PathInFolder(const std::wstring& folder, const std::wstring& name) {
  return folder.ends_with(L'\\') ? folder + name : folder + L'\\' + name;
}

std::vector<ViewerLine> RunnerRecords(const BeforeRunFacts& facts) {
  std::wstring versions = VersionBanner(kViewerName);
  if (!facts.programName.empty()) {
    versions += L"; " + facts.programName +
                (facts.programVersion ? L" " + *facts.programVersion : L": no version resource");
  }
  return {
      Information(versions),
      Information(L"working folder: " + facts.folder),
      Information(L"account: " + (facts.account.empty() ? L"cannot be read" : facts.account)),
  };
}

ViewerLine IniRecord(const BeforeRunFacts& facts) {
  if (facts.iniDigest)
    return Information(std::wstring(kIniFileName) + L" SHA-256: " + HexDigits(*facts.iniDigest));
  return {Severity::kError,
          std::wstring(kIniFileName) + L" is not in the working folder " + facts.folder +
              L": set the deployment tool's working folder (start-in folder) to the package's "
              L"folder, or start Perinax from a .cmd beside it that runs pushd \"%~dp0\" first"};
}

void RunWatch::See(std::wstring_view line) {
  launch_.See(line);
  if (osCode_ || !line.starts_with(kOsVersionLine)) return;
  // The launcher writes the code with %d: negative from 0x80000000 on.
  std::wstring_view number = line.substr(kOsVersionLine.size());
  const bool negative = number.starts_with(L'-');
  if (negative) number.remove_prefix(1);
  if (number.empty() || number.size() > 10) return;
  std::uint64_t magnitude = 0;
  for (const wchar_t digit : number) {
    if (digit < L'0' || digit > L'9') return;
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(digit - L'0');
  }
  if (magnitude > (negative ? 0x80000000u : 0x7FFFFFFFu)) return;
  osCode_ = static_cast<OSVersionCode>(negative ? 0u - magnitude : magnitude);
}

std::optional<ReadBackTarget> ReadBackTargetOf(const CasePlan& plan) {
  if (!plan.write) return std::nullopt;
  const RegistryView view = plan.view == 64 ? RegistryView::k64
                            : ArchitectureOf(plan.osCode) == kArchitectureX64
                                ? RegistryView::k32
                                : RegistryView::kOnlyView;
  return ReadBackTarget{plan.write->key, plan.write->name, view};
}

std::uint32_t ViewAccessBits(RegistryView view) {
  switch (view) {
    case RegistryView::k64:
      return kRegView64Key;
    case RegistryView::k32:
      return kKeyWow64Key32;
    case RegistryView::kOnlyView:
      break;
  }
  return 0;
}

std::optional<CasePlan> PlanOfRun(const RunWatch& watch, const IniReader& ini,
                                  const std::wstring& folder) {
  if (!watch.osCode()) return std::nullopt;
  const std::optional<std::filesystem::path> folderPath = std::filesystem::path(folder);
  const std::wstring file = PathInFolder(folder, kIniFileName);
  const std::wstring args;
  return PlanOsCode(*watch.osCode(), {ini, folderPath, file, args});
}

std::vector<ViewerLine> AfterRunRecords(const AfterRunFacts& facts) {
  return {SectionRecord(facts), ProgramRecord(facts), RegistryRecord(facts)};
}
