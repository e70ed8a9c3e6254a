#pragma once

// The machine as the self-test and the tests under Wine find it: whether it is Wine, the
// version this Windows reports to Perinax.exe, and DWORD values below HKLM through a view.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "common/os_version_code.h"
#include "tools/selftest/expected_run.h"

// Wine's settings for Perinax.exe alone (HKCU): Version, the Windows version it is shown, and
// \DllOverrides, where its DLLs are taken from. Wine's own; Windows has no such key.
inline constexpr wchar_t kWinePerinaxSettings[] = L"Software\\Wine\\AppDefaults\\Perinax.exe";

// ntdll says so: Wine's has wine_get_version, Windows' has not.
bool RunsUnderWine();

// The OS code Perinax.exe should report here: the version RtlGetVersion gives (the real one,
// whatever a program's manifest says) with the native architecture, read as the launcher reads
// WMI's version text. Under Wine, a Version set for Perinax.exe alone takes the place of the
// prefix's own. None, with why in `why`, when it cannot be told.
std::optional<OSVersionCode> ThisWindowsCode(std::wstring* why);

// The bits for RegOpenKeyExW that reach one storage: none on 32-bit Windows.
REGSAM ViewBits(RegistryView storage);

// A DWORD below HKLM through a view: RRF_SUBKEY_WOW6464KEY, RRF_SUBKEY_WOW6432KEY or 0 (own).
std::optional<DWORD> MachineDword(const std::wstring& path, const std::wstring& name, DWORD view);

// Removes a key below HKLM with all it holds, from both views.
void RemoveMachineKey(const std::wstring& path);

// This process runs under WOW64, as on x64 and ARM64 Windows.
bool RunsUnderWow64();

// Every value below a key of HKLM, through each storage this Windows has (both under WOW64,
// one on 32-bit Windows); a DWORD with its number, any other value as the number 0xFFFFFFFF.
std::vector<StoredValue> ValuesBelow(const std::wstring& path, bool twoViews);
