#pragma once

// The safe fixes made to a file's bytes, and shown as a unified diff. Every
// client makes them from the findings' Fix records: --fix and --diff here, a
// language server's code actions from the same records.

#include <string>
#include <string_view>
#include <vector>

#include "tools/explain/engine/explanation.h"

struct FixedFile {
  std::string bytes;        // the file with the fixes made
  std::size_t applied = 0;  // the fixes made; one whose edits overlap an earlier one's is not
};

// Makes the findings' fixes in `bytes`, in the file's own encoding (ANSI or
// UTF-16LE, as Windows decodes it) and its own line end; every byte the edits
// do not touch, the byte-order mark included, stays as it was.
FixedFile ApplyFixes(std::string_view bytes, const std::vector<Finding>& findings);

// The unified diff from `before` to `after` (each decoded as Windows decodes
// it, in UTF-8), with three lines of context; empty when they are the same.
std::string UnifiedDiff(std::string_view before, std::string_view after, const std::string& name);
