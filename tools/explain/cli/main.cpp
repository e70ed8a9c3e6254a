// perinax-explain: what Perinax will do with an INI file on every Windows
// version, and what in the file is probably a mistake.
//
//   perinax-explain [options] PATH...
//   perinax-explain --list-codes | --version | --help
//
// One source for the Linux program and the Windows console program; the work
// is done by the engine in tools/explain/engine/, its checks and its forms.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/common/utf.h"
#include "tools/explain/cli/command_line.h"

#ifdef _WIN32
#include <windows.h>

#include "common/dll_fence_win32.h"
#include "tools/common/output_win32.h"

int wmain(int argc, wchar_t** argv) {
  // Authors run it from the media folder too, beside files anyone may have put there.
  static_cast<void>(FenceDllSearchPath());
  std::vector<std::wstring> words;
  std::vector<std::filesystem::path> paths;
  for (int i = 1; i < argc; ++i) {
    words.emplace_back(argv[i]);
    paths.emplace_back(argv[i]);
  }
  const ExplainStreams streams{
      [](std::string_view text) { WriteTextLines(STD_OUTPUT_HANDLE, std::string(text)); },
      [](std::string_view text) { WriteTextLines(STD_ERROR_HANDLE, std::string(text)); },
      ReadStandardInput};
  return RunExplainer(words, paths, streams);
}

#else

int main(int argc, char** argv) {
  std::vector<std::wstring> words;
  std::vector<std::filesystem::path> paths;
  for (int i = 1; i < argc; ++i) {
    words.push_back(Utf16FromUtf8(argv[i]));
    paths.emplace_back(argv[i]);
  }
  // Nothing is left to tell a failed write to.
  const ExplainStreams streams{
      [](std::string_view text) {
        static_cast<void>(std::fwrite(text.data(), 1, text.size(), stdout));
      },
      [](std::string_view text) {
        static_cast<void>(std::fwrite(text.data(), 1, text.size(), stderr));
      },
      ReadStandardInput};
  return RunExplainer(words, paths, streams);
}

#endif
