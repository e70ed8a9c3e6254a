#pragma once

// A finding's safe fix as SARIF 2.1.0 writes one: a `fixes` entry whose
// artifactChanges replace regions of the file, in the UTF-16 columns that are
// SARIF's default column kind as they are the findings' own.

#include <nlohmann/json.hpp>
#include <string>

#include "tools/explain/engine/explanation.h"

nlohmann::ordered_json SarifFixes(const Fix& fix, const std::string& uri);
