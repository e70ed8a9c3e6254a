#pragma once

#include "common/os_version_code.h"
#include "common/trace.h"
#include "osinfo/os_probe_api.h"

// Asks WMI for the Windows version and packs it with the native architecture.
// Returns kOSProbeFailed, after one failure trace line, when any step fails.
[[nodiscard]] OSVersionCode GetOSVersion(OsProbeApi& api, TraceSink& trace);

// Packs the first two dot-separated components of a version text such as
// "6.1.7601", each read as hexadecimal. False when there are fewer than two.
[[nodiscard]] bool ParseOSVersionText(const wchar_t* text, std::uint32_t architecture,
                                      OSVersionCode* code);
