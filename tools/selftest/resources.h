#pragma once

// The self-test's helpers, carried inside it as resources (RT_RCDATA) so that the release ships
// one program: the stand-in setup program, the DLL that must never be loaded, the package.
// Macros, since the resource compiler reads them too.
// NOLINTBEGIN(cppcoreguidelines-macro-usage)
#define PERINAX_SELFTEST_SETUP 101
#define PERINAX_SELFTEST_PLANTED_DLL 102
#define PERINAX_SELFTEST_MSI 103
// NOLINTEND(cppcoreguidelines-macro-usage)
