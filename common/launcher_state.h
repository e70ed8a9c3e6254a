#pragma once

#include <cstdint>

#include "common/setup_settings.h"

// The registry view used for the x64 target and the file-system redirection
// state saved while it is written. Each changes at most once per run.
struct RegistryViewState {
  std::uint32_t m_dwRegViewFlag = 0;
  void* m_pOldWow64Value = nullptr;
};

// Everything that lives for the whole run. The entry point owns one with static
// storage and hands it to the routines that read or fill it; a test makes its own.
struct LauncherState {
  SetupSettings settings;
  RegistryViewState registryView;
};
