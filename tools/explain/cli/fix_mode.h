#pragma once

// --fix and --diff: the safe fixes of an explanation, made to FILE in place or
// shown as a unified diff that changes nothing.

#include <filesystem>
#include <string>
#include <string_view>

#include "tools/explain/cli/command_line.h"
#include "tools/explain/engine/explanation.h"

// Exit code 0 when no finding is left without its fix, else 1 (2 when FILE
// cannot be written).
ExplainOutput RunFixMode(FixMode mode, const std::filesystem::path& path, const std::wstring& shown,
                         std::string_view bytes, const Explanation& explanation);
