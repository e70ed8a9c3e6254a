#pragma once

// One INI file open in the editor, as the checker sees it: the editor's text
// put back into the file's own form (UTF-16 with its byte-order mark, UTF-8
// with one, or the bytes as typed), explained as `perinax-explain FILE`
// explains the file, and the checker's places turned into the editor's.

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/explain/engine/explanation.h"

enum class FileForm { kAsTyped, kUtf8WithMark, kUtf16Le };

struct LspDocument {
  std::string uri;
  std::string text;  // as the editor holds it (UTF-8, as the protocol sends it)
  FileForm form = FileForm::kAsTyped;
  std::optional<std::filesystem::path> path{};  // for a file: URI
  std::string bytes{};                          // what the checker read
  std::optional<Explanation> explanation{};     // none: no INI file the reader takes
};

// The local path a file: URI names, or none for another scheme.
std::optional<std::filesystem::path> PathOfUri(std::string_view uri);
// The form of the file on disk, by its first bytes; as typed when it cannot be read.
FileForm FormOnDisk(const std::filesystem::path& path);

// Puts the editor's text into the document's form and explains it.
void ExplainDocument(LspDocument& document);

// A place of the checker (1-based, in the file's units) as the protocol's
// Position (0-based, UTF-16 code units of the editor's line).
nlohmann::json EditorPosition(const LspDocument& document, Position place);
nlohmann::json EditorRange(const LspDocument& document, Position from, Position to);
// The editor's line (0-based) as the text it holds, without its line end.
std::string_view EditorLine(const LspDocument& document, std::uint32_t line);
// The document's own line end, for the text a fix writes.
const char* LineEnd(const LspDocument& document);
