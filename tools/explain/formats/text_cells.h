#pragma once

// The words the text form uses for a case's cells, for the clients that lay
// the same facts out themselves (the page), so that each says what the
// command line says.

#include <string>

#include "tools/explain/engine/explanation.h"

// The value name regedit shows for a value written with an empty name.
inline constexpr wchar_t kDefaultValueName[] = L"(Default)";

// The setup program's cell: what is started, or why nothing is and the exit code.
std::wstring SetupCell(const CasePlan& plan);
// Where regedit shows `key` when it is written through the 32-bit view of
// 64-bit Windows, or empty when that view shares the key with the 64-bit one.
std::wstring RegeditPath(const std::wstring& key);
// That place for the case's write, where regedit shows it elsewhere than the key.
std::wstring RegeditHint(const CasePlan& plan);
