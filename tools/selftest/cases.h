#pragma once

// The self-test's tests, in the order they run: each a name and a function that runs it and
// says why it failed (empty: it passed).

#include <string>
#include <vector>

#include "tools/selftest/case_run_win32.h"

struct SelfTest {
  const wchar_t* name;
  std::wstring (*run)(const SelfTestPlace& place);
};

// The runs of the configuration phase: the section, the registry views, the keys.
const std::vector<SelfTest>& PhaseTests();
// The runs of the launch: argument text, exit codes, failed starts, packages and scripts, DLLs,
// windows.
const std::vector<SelfTest>& LaunchTests();
