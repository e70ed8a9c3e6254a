#pragma once

// --fix and --diff: the safe fixes of an explanation, made to FILE in place or
// shown as a unified diff that changes nothing.

#include <filesystem>
#include <string>
#include <string_view>

#include "tools/explain/cli/command_line.h"
#include "tools/explain/engine/explanation.h"

enum class FixMode {
  kNone,
  kFix,   // FILE rewritten with the fixes
  kDiff,  // the fixes as a unified diff on standard output
};

// The mode a command-line word asks for, or kNone for another word.
FixMode FixModeOf(std::wstring_view word);

// Exit code 0 when no finding is left without its fix, else 1 (2 when FILE
// cannot be written).
ExplainOutput RunFixMode(FixMode mode, const std::filesystem::path& path, const std::wstring& shown,
                         std::string_view bytes, const Explanation& explanation);
