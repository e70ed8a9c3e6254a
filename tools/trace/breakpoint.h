#pragma once

#include <cstdint>

// The loader stops a program started under a debugger at a breakpoint of its
// own before the program's first instruction; that one is the debugger's to
// continue. An x86 program under emulation on ARM64 Windows may show it as
// the ordinary breakpoint, as the x86 one of WOW64, or as both: the first of
// each kind is the loader's, every later one belongs to the program (which may
// handle it, or end on it as it would without a debugger).
class InitialBreakpoints {
 public:
  static constexpr std::uint32_t kBreakpoint = 0x80000003;      // EXCEPTION_BREAKPOINT
  static constexpr std::uint32_t kWx86Breakpoint = 0x4000001F;  // STATUS_WX86_BREAKPOINT

  // True when the exception is the loader's, for the debugger to continue.
  bool IsLoaders(std::uint32_t exceptionCode) {
    bool* seen = exceptionCode == kBreakpoint       ? &breakpointSeen_
                 : exceptionCode == kWx86Breakpoint ? &wx86BreakpointSeen_
                                                    : nullptr;
    if (seen == nullptr || *seen) return false;
    *seen = true;
    return true;
  }

 private:
  bool breakpointSeen_ = false;
  bool wx86BreakpointSeen_ = false;
};
