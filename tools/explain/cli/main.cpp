// perinax-explain: what Perinax will do with an INI file on every Windows
// version, and what in the file is probably a mistake.
//
//   perinax-explain [--format text|json|sarif] [--json] [--case NAME] [--args TEXT]
//                   [--no-folder] FILE
//   perinax-explain --list-codes | --version | --help
//
// One source for the Linux program and the Windows console program; the work
// is done by the engine in tools/explain/engine/, its checks and its forms.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/explain/cli/command_line.h"
#include "tools/explain/engine/utf.h"

#ifdef _WIN32
#include <windows.h>

#include "common/dll_fence_win32.h"

namespace {

// UTF-16 into a console, the UTF-8 bytes as they are into a file or pipe, so
// that both programs write the same bytes.
void Write(DWORD stream, const std::string& text) {
  if (text.empty()) return;
  const HANDLE handle = GetStdHandle(stream);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(handle, &mode) != FALSE) {
    const std::wstring wide = Utf16FromUtf8(text);
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Authors run it from the media folder too, beside files anyone may have put there.
  static_cast<void>(FenceDllSearchPath());
  std::vector<std::wstring> words;
  std::vector<std::filesystem::path> paths;
  for (int i = 1; i < argc; ++i) {
    words.emplace_back(argv[i]);
    paths.emplace_back(argv[i]);
  }
  const ExplainOutput output = RunExplainer(words, paths);
  Write(STD_OUTPUT_HANDLE, output.out);
  Write(STD_ERROR_HANDLE, output.err);
  return output.exitCode;
}

#else

int main(int argc, char** argv) {
  std::vector<std::wstring> words;
  std::vector<std::filesystem::path> paths;
  for (int i = 1; i < argc; ++i) {
    words.push_back(Utf16FromUtf8(argv[i]));
    paths.emplace_back(argv[i]);
  }
  const ExplainOutput output = RunExplainer(words, paths);
  // Nothing is left to tell a failed write to.
  static_cast<void>(std::fwrite(output.out.data(), 1, output.out.size(), stdout));
  static_cast<void>(std::fwrite(output.err.data(), 1, output.err.size(), stderr));
  return output.exitCode;
}

#endif
