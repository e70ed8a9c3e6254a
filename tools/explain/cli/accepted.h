#pragma once

// What a team has accepted outside its INI files: the codes a .perinax-explainrc
// disables, and the findings of a baseline log.
//
// A .perinax-explainrc holds lines "disable=CODE[,CODE...]", blank lines and
// comments that start with ';' or '#'. The one that counts for a file is the
// nearest in the file's folder or a folder above it, up to the folder that
// holds .git (a repository's root) or the file system's root.

#include <filesystem>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "tools/explain/engine/suppressions.h"

struct RcFile {
  CodeSet disabled;
  std::vector<std::string> problems;  // "FILE:3: unknown code x", for standard error
};

RcFile ReadRcFile(const std::filesystem::path& path);

// The nearest .perinax-explainrc of each folder, remembered for the folders
// asked about last, as a run's files come folder by folder.
class RcFinder {
 public:
  // Null when no .perinax-explainrc counts; `fresh` is set when the file was
  // read by this call (so that its problems are said once).
  std::shared_ptr<const RcFile> For(const std::filesystem::path& folder, bool& fresh);

 private:
  std::vector<std::pair<std::filesystem::path, std::shared_ptr<const RcFile>>> known_;
};

struct Baseline {
  std::unordered_set<std::string> fingerprints;
  std::string error;  // why the file is no SARIF log perinax-explain wrote
};

Baseline ReadBaseline(const std::filesystem::path& path);
