#pragma once

#include "common/trace.h"

// Sends each trace line to the debugger output.
class DebugOutputTraceSink final : public TraceSink {
 public:
  void WriteLine(const wchar_t* line) override;
};
