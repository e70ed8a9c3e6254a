#include "tools/explain/lsp/lsp_document.h"

#include <cstdio>
#include <fstream>

#include "tools/common/utf.h"
#include "tools/explain/engine/explainer.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Utf16LeWithMark(std::string_view utf8) {
  std::string bytes = "\xFF\xFE";
  for (const wchar_t unit : Utf16FromUtf8(utf8)) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>((unit >> 8) & 0xFF);
  }
  return bytes;
}

}  // namespace

std::optional<std::filesystem::path> PathOfUri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (!uri.starts_with(kScheme)) return std::nullopt;
  std::string path;
  for (std::size_t i = kScheme.size(); i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() && HexDigit(uri[i + 1]) >= 0 &&
        HexDigit(uri[i + 2]) >= 0) {
      path += static_cast<char>(HexDigit(uri[i + 1]) * 16 + HexDigit(uri[i + 2]));
      i += 2;
    } else {
      path += uri[i];
    }
  }
#ifdef _WIN32
  // file:///C:/folder names C:/folder.
  if (path.size() > 2 && path[0] == '/' && path[2] == ':') path.erase(0, 1);
  return std::filesystem::path(Utf16FromUtf8(path));
#else
  return std::filesystem::path(path);
#endif
}

FileForm FormOnDisk(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  char start[3] = {};
  file.read(start, 3);
  const std::string_view read(start, static_cast<std::size_t>(file.gcount()));
  if (read.starts_with("\xFF\xFE")) return FileForm::kUtf16Le;
  if (read.starts_with("\xEF\xBB\xBF")) return FileForm::kUtf8WithMark;
  return FileForm::kAsTyped;
}

void ExplainDocument(LspDocument& document) {
  switch (document.form) {
    case FileForm::kUtf16Le:
      document.bytes = Utf16LeWithMark(document.text);
      break;
    case FileForm::kUtf8WithMark:
      document.bytes = "\xEF\xBB\xBF" + document.text;
      break;
    case FileForm::kAsTyped:
      document.bytes = document.text;
      break;
  }
  ExplainRequest request{.bytes = document.bytes};
  if (document.path) {
#ifdef _WIN32
    request.file = document.path->wstring();
#else
    request.file = Utf16FromUtf8(document.path->string());
#endif
    request.folder = document.path->parent_path();
  } else {
    request.file = Utf16FromUtf8(document.uri);
  }
  document.explanation = Explain(request);
}

std::string_view EditorLine(const LspDocument& document, std::uint32_t line) {
  // CR, LF and CRLF end a line, for the checker and the protocol alike.
  const std::string_view text = document.text;
  std::size_t start = 0;
  for (std::uint32_t at = 0; at < line; ++at) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) return {};
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  const std::size_t end = text.find_first_of("\r\n", start);
  return text.substr(start, end == std::string_view::npos ? text.size() - start : end - start);
}

nlohmann::json EditorPosition(const LspDocument& document, Position place) {
  const std::uint32_t line = place.line > 0 ? place.line - 1 : 0;
  std::uint32_t column = place.column > 0 ? place.column - 1 : 0;
  if (document.form != FileForm::kUtf16Le) {
    // The checker read these bytes one unit each (as ANSI): the editor counts
    // the UTF-16 units of the same bytes read as UTF-8.
    if (document.form == FileForm::kUtf8WithMark && line == 0) column -= std::min(column, 3u);
    const std::string_view text = EditorLine(document, line);
    column = static_cast<std::uint32_t>(Utf16FromUtf8(text.substr(0, column)).size());
  }
  return {{"line", line}, {"character", column}};
}

nlohmann::json EditorRange(const LspDocument& document, Position from, Position to) {
  return {{"start", EditorPosition(document, from)}, {"end", EditorPosition(document, to)}};
}

const char* LineEnd(const LspDocument& document) {
  return document.text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
}
