#pragma once

#include <string>
#include <string_view>

// Text in this tool is UTF-16 code units held in wchar_t (as the launcher's
// own text is, even where wchar_t is 32 bits wide); what it prints is UTF-8.

// A lone surrogate becomes U+FFFD, so the result is always valid UTF-8.
std::string Utf8FromUtf16(std::wstring_view text);
// Bytes that are not UTF-8 each become U+FFFD.
std::wstring Utf16FromUtf8(std::string_view text);

// Text from a file as a message or table shows it: control characters (a binary
// file is full of them) as \xNN, and at most `limit` characters, then "...".
std::wstring Printable(std::wstring_view text, std::size_t limit);
