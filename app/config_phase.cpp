#include "app/config_phase.h"

#include "common/trace_texts.h"
#include "osinfo/os_version.h"
#include "registry/registry_marker.h"
#include "settings/ini_settings.h"

int LoadINIFile(LauncherState& state, ConfigPlatform& platform) {
  TraceSink& trace = platform.trace;
  Trace(trace, kTracePhaseStart);

  IniLocation ini;
  LocateINIFile(platform.profile, trace, &ini);

  const OSVersionCode osCode = GetOSVersion(platform.probe, trace);
  TraceFormatted(trace, kTraceOsVersion, static_cast<int>(osCode));

  const wchar_t* section = ChooseINISection(platform.profile, trace, osCode, ini);
  ReadINIKeys(platform.profile, ini, section, &state.settings);

  WriteRegMarker(state, platform.registry, trace, osCode);

  Trace(trace, kTracePhaseEnd);
  return 1;
}
