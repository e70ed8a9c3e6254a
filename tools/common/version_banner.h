#pragma once

// How each tool names itself and its version: its --version answer, and the
// viewer's first record of a run ("perinax-trace 1.0.0.2").

#include <string>
#include <string_view>

#include "perinax_version.h"

inline std::string VersionBanner(std::string_view tool) {
  return std::string(tool) + " " PERINAX_VERSION_TEXT;
}

inline std::wstring VersionBanner(std::wstring_view tool) {
  return std::wstring(tool) + L" " PERINAX_VERSION_TEXT;
}
