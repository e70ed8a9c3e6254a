#include "settings/ini_settings.h"

#include <cstdint>

#include "common/text.h"
#include "common/trace_texts.h"
#include "settings/ini_schema.h"

namespace {

// _waccess_s reports a missing file with ENOENT.
constexpr int kErrnoNoEntry = 2;

// Appends as much of `text` as fits, keeping the buffer terminated. Returns
// false when something had to be left out.
bool AppendBounded(wchar_t* buffer, std::size_t capacity, const wchar_t* text) {
  std::size_t length = BoundedLength(buffer, capacity - 1);
  while (*text != L'\0' && length < capacity - 1) buffer[length++] = *text++;
  buffer[length] = L'\0';
  return *text == L'\0';
}

void CopyBounded(wchar_t* buffer, std::size_t capacity, const wchar_t* text) {
  buffer[0] = L'\0';
  AppendBounded(buffer, capacity, text);
}

// Whether the section names a setup program that fits its field whole. Read
// once more with nothing as the default and room for one character more than
// the field: no text then means the key is missing (or empty), and a text of
// the field's full size means the value did not fit and was cut.
bool NamesSetupFileWhole(ProfileApi& api, const IniLocation& ini, const wchar_t* section) {
  if (!ini.usable) return false;
  wchar_t whole[kSettingChars + 1] = {};
  const std::uint32_t length =
      api.GetString(section, kSetupFileKey.name, L"", whole, kSettingChars + 1, ini.path);
  return length != 0 && length < kSettingChars;
}

}  // namespace

void LocateINIFile(ProfileApi& api, TraceSink& trace, IniLocation* ini) {
  wchar_t directory[kIniPathChars] = {};
  *ini = IniLocation{};

  const std::uint32_t reported = api.ReadCurrentDirectory(kIniPathChars, directory);
  // Zero means failure and a result of the buffer's size or more means the
  // directory did not fit: either way nothing in the buffer can be trusted.
  const bool directoryRead = reported != 0 && reported < kIniPathChars;
  if (!directoryRead) {
    for (wchar_t& c : directory) c = L'\0';
  }
  directory[kIniPathChars - 1] = L'\0';

  CopyBounded(ini->path, kIniPathChars, directory);
  // The separator is always added, so a drive root gives "C:\\Perinax.ini",
  // which Windows accepts.
  const bool whole = AppendBounded(ini->path, kIniPathChars, L"\\") &&
                     AppendBounded(ini->path, kIniPathChars, kIniFileName);
  ini->usable = directoryRead && directory[0] != L'\0' && whole;

  Trace(trace, ini->path);
  // A cut or rootless path could name another file, so it is never read.
  if (!ini->usable) {
    Trace(trace, kTraceMissingIni);
    return;
  }
  if (api.AccessFile(ini->path) == kErrnoNoEntry) {
    Trace(trace, kTraceMissingIni);
  }
}

int CheckINISection(ProfileApi& api, TraceSink& trace, const wchar_t* section,
                    const IniLocation& ini) {
  wchar_t names[kSectionNamesChars] = {};
  if (ini.usable) {
    api.GetSectionNames(names, kSectionNamesChars, ini.path);
  }
  // The list ends with an empty name even if the reader failed to end it.
  names[kSectionNamesChars - 2] = L'\0';
  names[kSectionNamesChars - 1] = L'\0';

  TraceFormatted(trace, kTraceCheckSection, section);

  for (const wchar_t* name = names; *name != L'\0';
       name += BoundedLength(name, kSectionNamesChars - (name - names)) + 1) {
    if (SameText(section, name)) return 1;  // case matters here, unlike in the profile readers
  }
  return 0;
}

const wchar_t* ChooseINISection(ProfileApi& api, TraceSink& trace, OSVersionCode osCode,
                                const IniLocation& ini) {
  const wchar_t* candidate = VersionSectionOf(osCode);
  if (candidate == nullptr) return kSectionDefault;
  return CheckINISection(api, trace, candidate, ini) != 0 ? candidate : kSectionDefault;
}

void ReadINIKeys(ProfileApi& api, const IniLocation& ini, const wchar_t* section,
                 SetupSettings* settings) {
  for (const IniKeySpec& entry : kIniKeys) {
    wchar_t* field = settings->*entry.field;
    for (std::size_t i = 0; i < kSettingChars; ++i) field[i] = L'\0';
    if (ini.usable) {
      api.GetString(section, entry.name, kSettingDefault, field, kSettingChars, ini.path);
      field[kSettingChars - 1] = L'\0';
    } else {
      CopyBounded(field, kSettingChars, kSettingDefault);
    }
  }
  settings->m_bSetupFileNamed = NamesSetupFileWhole(api, ini, section);
}
