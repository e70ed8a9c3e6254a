#pragma once

// The language server protocol's base layer: messages framed by a
// Content-Length header, over a byte stream (the server's standard input and
// output, in binary mode on Windows).

#include <cstdio>
#include <optional>
#include <string>

// The next message's body, or none at the end of the stream or when a header
// is malformed (the stream can then not be read on).
[[nodiscard]] std::optional<std::string> ReadMessage(std::FILE* in);
// Writes one message and flushes it; false when the stream is closed.
[[nodiscard]] bool WriteMessage(std::FILE* out, const std::string& body);
