#pragma once

#include <string>
#include <string_view>

// Text in this tool is UTF-16 code units held in wchar_t (as the launcher's
// own text is, even where wchar_t is 32 bits wide); what it prints is UTF-8.

// A lone surrogate becomes U+FFFD, so the result is always valid UTF-8.
std::string Utf8FromUtf16(std::wstring_view text);
// Bytes that are not UTF-8 each become U+FFFD.
std::wstring Utf16FromUtf8(std::string_view text);

// The one escape for text that a file or a program chose, in everything people
// and CI read (tables, messages, traces, the line forms CI systems parse): each
// C0 control (a line end, a tab, ESC), DEL, C1 control (U+0080-U+009F: CSI,
// OSC) and bidi control (U+202A-U+202E, U+2066-U+2069) becomes a visible
// escape, \x1b or \u202e, so that one line stays one line and nothing
// reorders or colours what follows; and the '[' of "##vso[" and "##[" becomes
// \x5b, as the Azure Pipelines agent takes those for commands anywhere in a
// line. Everything else stays, backslashes too, so that paths read as they are.
// Bytes that are not UTF-8 pass as they are.
std::string VisibleText(std::string_view utf8);
std::wstring VisibleText(std::wstring_view text);

// Text from a file as a message or table shows it: VisibleText, at most
// `limit` characters, then "...".
std::wstring Printable(std::wstring_view text, std::size_t limit);
