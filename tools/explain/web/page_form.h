#pragma once

// What the page is handed: the JSON form, as `perinax-explain --json` prints
// it, with the words the text form uses where the page shows more than the
// JSON holds, so that the page lays out what the command line says and
// derives nothing.

#include <string>

#include "tools/explain/engine/explanation.h"

// The JSON form with, for each case, "shown" (the setup program's cell when
// nothing is started, the value name as regedit shows it, the regedit hint),
// for each warning its "level" and whether it is about the file as a whole
// ("fileWide"), and "warningCount", every finding the text form counts.
std::string FormatPageJson(const Explanation& explanation);
