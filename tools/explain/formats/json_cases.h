#pragma once

// What the JSON and SARIF forms share: a case as JSON, and the dump that
// turns text that is not UTF-8 into U+FFFD rather than fail.

#include <nlohmann/json.hpp>
#include <string>

#include "tools/explain/engine/explanation.h"

// The case without its trace.
nlohmann::ordered_json CaseJson(const CasePlan& plan);
std::string DumpJson(const nlohmann::ordered_json& document);
