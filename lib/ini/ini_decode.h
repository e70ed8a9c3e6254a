#pragma once

// How Windows' profile readers decode an INI file's bytes into text: by the
// byte-order mark its first bytes hold, if any.

#include <string>
#include <string_view>

// How the file's first bytes make Windows decode it.
enum class IniEncoding {
  kAnsi,         // no byte-order mark: the ANSI code page
  kUtf16Le,      // FF FE: UTF-16LE
  kUtf8Mark,     // EF BB BF: not recognised; read as ANSI, the mark spoils line 1
  kUtf16BeMark,  // FE FF: not recognised; read as ANSI
};

IniEncoding EncodingOf(std::string_view bytes);

// The file's text: UTF-16LE after an FF FE mark, else each byte through the
// ANSI code page, taken as Windows-1252 (the mark of any other encoding stays,
// as characters of the first line).
std::wstring DecodeFile(std::string_view bytes);
