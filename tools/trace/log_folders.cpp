#include "tools/trace/log_folders.h"

namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

bool IsDrive(std::wstring_view text) {
  return text.size() >= 2 && text[1] == L':' &&
         ((text[0] >= L'A' && text[0] <= L'Z') || (text[0] >= L'a' && text[0] <= L'z'));
}

// The end of the part that begins at `at` (the next separator or the text's end).
std::size_t PartEnd(std::wstring_view path, std::size_t at) {
  while (at < path.size() && !IsSeparator(path[at])) ++at;
  return at;
}

std::size_t SkipSeparators(std::wstring_view path, std::size_t at) {
  while (at < path.size() && IsSeparator(path[at])) ++at;
  return at;
}

// How long the path's root is: what comes before its first folder.
std::size_t RootLength(std::wstring_view path) {
  std::size_t at = 0;
  bool share = false;
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
      (path[2] == L'?' || path[2] == L'.') && IsSeparator(path[3])) {
    at = 4;  // \\?\ or \\.\, then a drive or UNC\server\share
    const std::wstring_view rest = path.substr(at);
    if (rest.size() >= 4 && (rest[0] == L'U' || rest[0] == L'u') &&
        (rest[1] == L'N' || rest[1] == L'n') && (rest[2] == L'C' || rest[2] == L'c') &&
        IsSeparator(rest[3])) {
      at += 4;
      share = true;
    }
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    at = 2;
    share = true;
  }
  if (share) {
    at = PartEnd(path, SkipSeparators(path, at));  // the server
    at = PartEnd(path, SkipSeparators(path, at));  // the share
  } else if (IsDrive(path.substr(at))) {
    at += 2;
  }
  return SkipSeparators(path, at);
}

}  // namespace

std::vector<std::wstring> FoldersAbove(std::wstring_view path) {
  std::vector<std::wstring> folders;
  std::size_t at = RootLength(path);
  for (;;) {
    const std::size_t end = PartEnd(path, at);
    if (end >= path.size()) break;  // the last part is the file itself
    folders.emplace_back(path.substr(0, end));
    at = SkipSeparators(path, end);
  }
  return folders;
}
