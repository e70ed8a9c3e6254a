#pragma once

#include <string>
#include <vector>

#include "common/trace.h"

// Keeps every trace line, in order, for a test to compare.
class RecordingTrace final : public TraceSink {
 public:
  void WriteLine(const wchar_t* line) override { lines.emplace_back(line); }
  std::vector<std::wstring> lines;
};
