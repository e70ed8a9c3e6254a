#pragma once

#include "common/launcher_state.h"
#include "common/trace.h"
#include "osinfo/os_probe_api.h"
#include "registry/registry_api.h"
#include "settings/profile_api.h"

// The platform the configuration phase runs on.
struct ConfigPlatform {
  ProfileApi& profile;
  OsProbeApi& probe;
  RegistryApi& registry;
  TraceSink& trace;
};

// Finds Perinax.ini, learns the OS code, chooses the section, reads the settings
// into state and writes the registry marker. Always returns 1.
[[nodiscard]] int LoadINIFile(LauncherState& state, ConfigPlatform& platform);
