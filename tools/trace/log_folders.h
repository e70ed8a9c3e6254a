#pragma once

// The folders a log file's path names above the file, so that the viewer can make the ones that
// are missing, one level at a time (the shell's SHCreateDirectoryEx would load shell32 into a
// program that keeps to KERNEL32).

#include <string>
#include <string_view>
#include <vector>

// Each folder from the first below the path's root down to the file's own, outermost first. The
// root is never among them: a drive ("C:\", "C:"), a share ("\\server\share\"), the same in the
// \\?\ and \\.\ forms ("\\?\C:\", "\\?\UNC\server\share\"), or "\" alone. Both "\" and "/"
// separate, and empty parts ("a\\b") are passed over.
std::vector<std::wstring> FoldersAbove(std::wstring_view path);
