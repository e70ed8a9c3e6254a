#pragma once

#include <string>
#include <vector>

#include "lib/adapters/line_trace.h"

// Keeps every trace line, in order, for a test to compare.
using RecordingTrace = LineTrace;

// Parts joined by '|', so that a table row can give a whole sequence on one line.
template <typename Text>
Text Joined(const std::vector<Text>& parts) {
  Text all;
  for (const Text& part : parts) all += (&part == parts.data() ? Text() : Text(1, '|')) + part;
  return all;
}
