#include "registry/registry_marker.h"

#include <cstddef>

#include "common/owner.h"
#include "common/text.h"
#include "common/trace_texts.h"

namespace {

constexpr std::size_t kWow6432NodeChars = sizeof(kWow6432Node) / sizeof(wchar_t) - 1;

// Removes the first occurrence of "Wow6432Node\" (case significant) from the
// field. False when there is none.
bool RemoveWow6432Node(wchar_t* field) {
  const std::size_t length = BoundedLength(field, kSettingChars);
  for (std::size_t at = 0; at + kWow6432NodeChars <= length; ++at) {
    std::size_t matched = 0;
    while (matched < kWow6432NodeChars && field[at + matched] == kWow6432Node[matched]) ++matched;
    if (matched != kWow6432NodeChars) continue;
    for (std::size_t i = at; i + kWow6432NodeChars < length; ++i) {
      field[i] = field[i + kWow6432NodeChars];
    }
    field[length - kWow6432NodeChars] = L'\0';
    return true;
  }
  return false;
}

using RegKeyOwner = Owner<RegKey, RegistryApi, &RegistryApi::CloseKey>;

}  // namespace

std::uint32_t RegValueFromText(const wchar_t* text) {
  const wchar_t* p = text;
  while (IsNumberBlank(*p)) ++p;
  bool negative = false;
  if (*p == L'+' || *p == L'-') {
    negative = *p == L'-';
    ++p;
  }
  // The magnitude stops growing once it is past every value that can be stored.
  constexpr std::uint64_t kPastDword = 0x100000000u;
  std::uint64_t magnitude = 0;
  for (; *p >= L'0' && *p <= L'9'; ++p) {
    if (magnitude < kPastDword) magnitude = magnitude * 10 + static_cast<unsigned>(*p - L'0');
  }
  if (negative) {
    if (magnitude > 0x80000000u) return 0x80000000u;
    return 0u - static_cast<std::uint32_t>(magnitude);
  }
  if (magnitude > 0xFFFFFFFFu) return 0xFFFFFFFFu;
  return static_cast<std::uint32_t>(magnitude);
}

void WriteToReg(LauncherState& state, RegistryApi& api, TraceSink& trace, int is64) {
  Trace(trace, kTraceWriteToReg);
  const SetupSettings& settings = state.settings;
  const std::uint32_t access = state.registryView.m_dwRegViewFlag | kRegAccessReadWrite;
  RegKeyOwner key(api);

  if (is64 != 0) {
    Trace(trace, kTraceX64);
    const std::uint32_t value = RegValueFromText(settings.m_szReg64KeyValue);
    if (api.OpenKey(settings.m_szReg64KeyPath, access, key.Receive()) == 0) {
      Trace(trace, kTraceKeyOpened);
    } else {
      if (api.CreateKey(settings.m_szReg64KeyPath, access, key.Receive()) != 0) return;
      Trace(trace, kTraceKeyCreated);
    }
    if (api.SetDwordValue(key.get(), settings.m_szReg64KeyName, value) == 0) {
      Trace(trace, kTraceValueWritten);
    }
    return;
  }

  const std::uint32_t value = RegValueFromText(settings.m_szReg32KeyValue);
  if (api.OpenKey(settings.m_szReg32KeyPath, access, key.Receive()) == 0) {
    if (api.SetDwordValue(key.get(), settings.m_szReg32KeyName, value) == 0) {
      Trace(trace, kTraceValueWrittenToOpenedKey);
    }
    return;
  }
  if (api.CreateKey(settings.m_szReg32KeyPath, access, key.Receive()) != 0) return;
  if (api.SetDwordValue(key.get(), settings.m_szReg32KeyName, value) == 0) {
    Trace(trace, kTraceValueWritten);
  }
}

void WriteRegMarker(LauncherState& state, RegistryApi& api, TraceSink& trace,
                    OSVersionCode osCode) {
  const std::uint32_t arch = ArchitectureOf(osCode);
  if (arch != kArchitectureX86 && arch != kArchitectureX64) return;

  // Without a key path or value name from the INI file, the target would be
  // HKLM\Unknow with a value named Unknow, and an empty path would put the value
  // in the root of HKLM: places nobody asked for.
  const SetupSettings& settings = state.settings;
  const bool x64 = arch == kArchitectureX64;
  const wchar_t* path = x64 ? settings.m_szReg64KeyPath : settings.m_szReg32KeyPath;
  if (path[0] == L'\0' || IsMissingSetting(path) ||
      IsMissingSetting(x64 ? settings.m_szReg64KeyName : settings.m_szReg32KeyName)) {
    Trace(trace, kTraceNoRegistryTarget);
    return;
  }
  if (!x64) {
    WriteToReg(state, api, trace, 0);
    return;
  }

  // The launcher is a 32-bit process under WOW64. A path that names the 32-bit
  // view's folder is written through the process's own view without that
  // folder; any other path is written as it stands, in the 64-bit view.
  wchar_t* path64 = state.settings.m_szReg64KeyPath;
  RegistryViewState& view = state.registryView;
  TraceFormatted(trace, kTraceKeyPath64, path64);
  if (RemoveWow6432Node(path64)) {
    if (path64[0] == L'\0') {  // the path was "Wow6432Node\" alone
      Trace(trace, kTraceNoRegistryTarget);
      return;
    }
    TraceFormatted(trace, kTracePathWithoutWow6432Node, path64);
  } else {
    Trace(trace, kTraceNoWow6432Node);
    api.DisableFsRedirection(&view.m_pOldWow64Value);
    view.m_dwRegViewFlag = kRegView64Key;
  }
  TraceFormatted(trace, kTraceRegistryPath, path64);
  WriteToReg(state, api, trace, 1);
  api.RevertFsRedirection(view.m_pOldWow64Value);
}
