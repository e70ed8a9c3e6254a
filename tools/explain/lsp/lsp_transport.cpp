// Headers are ASCII lines ending in CRLF, then a blank line; only
// Content-Length matters (Content-Type, if any, names UTF-8, the default).

#include "tools/explain/lsp/lsp_transport.h"

#include <cctype>
#include <cstdint>
#include <string_view>

namespace {

// A body larger than this is no editor's message: the stream is not trusted.
constexpr std::uint64_t kLargestBody = std::uint64_t{1} << 31;

std::optional<std::string> ReadHeaderLine(std::FILE* in) {
  std::string line;
  for (int c = std::fgetc(in); c != EOF; c = std::fgetc(in)) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    line += static_cast<char>(c);
    if (line.size() > 4096) return std::nullopt;
  }
  return std::nullopt;
}

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<std::string> ReadMessage(std::FILE* in) {
  std::optional<std::uint64_t> length;
  while (true) {
    const std::optional<std::string> line = ReadHeaderLine(in);
    if (!line) return std::nullopt;
    if (line->empty()) break;
    const std::size_t colon = line->find(':');
    if (colon == std::string::npos) return std::nullopt;
    if (!SameLetters(std::string_view(*line).substr(0, colon), "Content-Length")) continue;
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (std::size_t i = colon + 1; i < line->size(); ++i) {
      const char c = (*line)[i];
      if (c == ' ' || c == '\t') continue;
      if (c < '0' || c > '9' || value > kLargestBody) return std::nullopt;
      value = value * 10 + static_cast<std::uint64_t>(c - '0');
      ++digits;
    }
    if (digits == 0 || value > kLargestBody) return std::nullopt;
    length = value;
  }
  if (!length) return std::nullopt;
  std::string body(static_cast<std::size_t>(*length), '\0');
  if (std::fread(body.data(), 1, body.size(), in) != body.size()) return std::nullopt;
  return body;
}

bool WriteMessage(std::FILE* out, const std::string& body) {
  const std::string header = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  return std::fwrite(header.data(), 1, header.size(), out) == header.size() &&
         std::fwrite(body.data(), 1, body.size(), out) == body.size() && std::fflush(out) == 0;
}
