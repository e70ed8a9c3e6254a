#pragma once

#include <cstdint>

#include "common/setup_settings.h"
#include "common/trace.h"
#include "launch/shell_api.h"

// ERROR_INSTALL_FAILURE: returned when the setup program cannot be started or
// its exit code cannot be read, which deployment tools read as a failed install.
inline constexpr std::uint32_t kLaunchFailedExitCode = 1603;

inline constexpr std::uint32_t kLaunchRecordSize = 60;  // sizeof(SHELLEXECUTEINFOW), 32-bit
inline constexpr std::uint32_t kSeeMaskNoCloseProcess = 0x40;
inline constexpr std::uint32_t kSeeMaskNoAsync = 0x100;
inline constexpr std::uint32_t kSeeMaskFlagNoUi = 0x400;
inline constexpr std::uint32_t kSeeMaskNoZoneChecks = 0x00800000;
inline constexpr int kSwShow = 5;
inline constexpr std::uint32_t kStillActive = 259;

// Starts m_szSetupFile with args as its parameters, waits for it and returns
// its exit code.
[[nodiscard]] std::uint32_t RunSetupCmd(const SetupSettings& settings, ShellApi& api,
                                        TraceSink& trace, const wchar_t* args);
