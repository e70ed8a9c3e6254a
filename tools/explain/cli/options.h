#pragma once

// perinax-explain's options, read from a table (options.cpp) so that the usage
// text and the parsing come from one list and a new option is one entry.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/explain/checks/catalogue.h"
#include "tools/explain/engine/explanation.h"
#include "tools/explain/formats/output_forms.h"

enum class FixMode {
  kNone,
  kFix,   // each file rewritten with its safe fixes
  kDiff,  // the fixes as a unified diff on standard output
};

struct Options {
  const OutputForm* form = nullptr;  // null: the default, text
  std::vector<std::pair<const OutputForm*, std::filesystem::path>> outputs;  // --output
  bool folder = true;
  const ExplainCase* only = nullptr;
  std::wstring args;
  std::optional<Level> severity;
  bool inlineSuppressions = true;
  bool norc = false;
  std::optional<std::filesystem::path> rcfile;
  // --disable (true) and --enable (false), in the order given: the later wins.
  std::vector<std::pair<Code, bool>> codeSwitches;
  std::optional<std::filesystem::path> baseline;
  FixMode fix = FixMode::kNone;    // --fix, --diff: instead of a form
  std::vector<std::size_t> paths;  // the words that are PATHs
  // --help, --version, --list-codes: the whole answer.
  std::string answer;
};

struct ParsedOptions {
  Options options;
  std::string error;                      // empty when the words are right
  const OutputForm* formSoFar = nullptr;  // the form asked for before a wrong word
};

ParsedOptions ParseOptions(const std::vector<std::wstring>& words);

// The path a word names, as this system opens it.
std::filesystem::path PathOfWord(const std::wstring& word);

std::string Usage();
