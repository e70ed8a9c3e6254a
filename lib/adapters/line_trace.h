#pragma once

// A trace sink that keeps every line, in order: what the checker plans a run
// from, and what a test compares.

#include <string>
#include <vector>

#include "common/trace.h"

class LineTrace final : public TraceSink {
 public:
  void WriteLine(const wchar_t* line) override { lines.emplace_back(line); }
  std::vector<std::wstring> lines;
};
