#pragma once

// The file's own way to accept a finding, as ShellCheck's directives work: a
// comment line
//   ; perinax-explain: disable=CODE[,CODE...]
// is an ordinary comment to Windows. Before the first section it turns the codes
// off for the whole file; anywhere else for the next line that is neither blank
// nor a comment (so that several such comments can stand above one key).

#include <bitset>
#include <string_view>

#include "tools/explain/checks/catalogue.h"
#include "tools/explain/engine/explanation.h"

// The code of this name, or null.
const CodeInfo* FindCode(std::string_view name);

using CodeSet = std::bitset<kCatalogue.size()>;

// Marks the findings the file's comments turn off as suppressed in source, and
// adds an unknown-code finding for each name in them that is no code.
void ApplyInlineSuppressions(std::string_view bytes, Explanation& explanation);

// Marks the findings of these codes as suppressed from outside the file (a
// .perinax-explainrc, the command line), and their left-out ones too.
void ApplyExternalSuppressions(const CodeSet& disabled, Explanation& explanation);
