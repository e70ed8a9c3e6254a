#pragma once

// perinax-explain's command line: which form, which case, which file; the
// file read here and its bytes handed to the engine.

#include <filesystem>
#include <string>
#include <vector>

#include "tools/explain/engine/explanation.h"

struct ExplainOutput {
  int exitCode = kExplainFailed;
  std::string out;  // UTF-8
  std::string err;  // UTF-8
};

// The whole program: `arguments` are the command line's words after the
// program's name, as UTF-16; `paths` the same words as this system's paths, so
// that FILE is opened by the name it was given.
ExplainOutput RunExplainer(const std::vector<std::wstring>& arguments,
                           const std::vector<std::filesystem::path>& paths);

// The usage text, with the forms of the table of forms.
std::string Usage();
