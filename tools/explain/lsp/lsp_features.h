#pragma once

// What the language server answers about an open document, each from the
// checker's explanation of it: the diagnostics, a hover, the sections as
// symbols, the names to complete and the safe fixes as code actions.

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "tools/explain/lsp/lsp_document.h"

// `codePages` is each code's page with "{code}" where the code's name goes,
// or empty when there are none to link to.
nlohmann::json Diagnostics(const LspDocument& document, const std::string& codePages);
// Markdown about the section or key on the line (0-based), or none.
std::optional<std::string> HoverText(const LspDocument& document, std::uint32_t line);
nlohmann::json DocumentSymbols(const LspDocument& document);
// What may be typed at the place: a section name after '[', else a key name.
nlohmann::json Completions(const LspDocument& document, std::uint32_t line,
                           std::uint32_t character);
// The fixes of the findings on the lines from `first` to `last` (0-based).
nlohmann::json CodeActions(const LspDocument& document, std::uint32_t first, std::uint32_t last,
                           const std::string& codePages);
