#pragma once

#include <cstddef>

#include "common/os_version_code.h"
#include "common/setup_settings.h"
#include "common/trace.h"
#include "settings/profile_api.h"

inline constexpr std::size_t kIniPathChars = 260;
inline constexpr std::size_t kSectionNamesChars = 4096;
inline constexpr wchar_t kIniFileName[] = L"Perinax.ini";

// Where Perinax.ini is looked for. `usable` is false when the current directory
// could not be read or the whole path does not fit: the file then counts as
// missing and is never read, since a cut path could name a different file.
struct IniLocation {
  wchar_t path[kIniPathChars] = {};
  bool usable = false;
};

// Builds "<current directory>\Perinax.ini", traces it, and traces
// "Please check the path of INI file!" when the file is missing.
void LocateINIFile(ProfileApi& api, TraceSink& trace, IniLocation* ini);

// 1 when the file has a section of exactly this name (case significant), else 0.
[[nodiscard]] int CheckINISection(ProfileApi& api, TraceSink& trace, const wchar_t* section,
                                  const IniLocation& ini);

// "win7", "win8" or "win8.1" for Windows 6.1, 6.2 and 6.3 when the file has that
// section, else "Default".
[[nodiscard]] const wchar_t* ChooseINISection(ProfileApi& api, TraceSink& trace,
                                              OSVersionCode osCode, const IniLocation& ini);

// Fills all seven settings from the section; a missing key gives "Unknow".
void ReadINIKeys(ProfileApi& api, const IniLocation& ini, const wchar_t* section,
                 SetupSettings* settings);
