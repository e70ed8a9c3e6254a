#pragma once

// perinax-explain's command line: the options (options.h), the PATHs, each
// file read here and its bytes handed to the engine, and every form written
// file by file as the run goes.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/explain/cli/inputs.h"
#include "tools/explain/cli/options.h"
#include "tools/explain/engine/explanation.h"

struct ExplainOutput {
  int exitCode = kExplainFailed;
  std::string out;  // UTF-8
  std::string err;  // UTF-8
};

// Where a run writes (UTF-8, a piece at a time) and what "-" reads.
struct ExplainStreams {
  std::function<void(std::string_view)> out;
  std::function<void(std::string_view)> err;
  std::function<ReadResult()> in;
};

// The whole program: `arguments` are the command line's words after the
// program's name, as UTF-16; `paths` the same words as this system's paths, so
// that a PATH is opened by the name it was given. Gives the exit code.
int RunExplainer(const std::vector<std::wstring>& arguments,
                 const std::vector<std::filesystem::path>& paths, const ExplainStreams& streams);

// The same, its output gathered (standard input empty), for the tests.
ExplainOutput RunExplainer(const std::vector<std::wstring>& arguments,
                           const std::vector<std::filesystem::path>& paths);
