#pragma once

#include <cstdint>

#include "app/config_phase.h"
#include "app/error_mode_api.h"
#include "launch/shell_api.h"

// The configuration phase, then the start of the setup program with args as
// its parameters; returns its exit code.
[[nodiscard]] std::uint32_t RunLauncher(LauncherState& state, ConfigPlatform& config,
                                        ErrorModeApi& errorMode, ShellApi& shell,
                                        const wchar_t* args);
