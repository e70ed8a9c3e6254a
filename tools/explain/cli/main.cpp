// perinax-explain: what Perinax will do with an INI file on every Windows
// version, and what in the file is probably a mistake.
//
//   perinax-explain [options] PATH...
//   perinax-explain --list-codes | --version | --help
//   perinax-explain --lsp          (the language server, on standard input and output)
//
// One source for the Linux program and the Windows console program; the work
// is done by the engine in tools/explain/engine/, its checks and its forms.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "tools/common/utf.h"
#include "tools/explain/cli/command_line.h"
#include "tools/explain/lsp/lsp_server.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "common/dll_fence_win32.h"
#include "tools/common/output_win32.h"

int wmain(int argc, wchar_t** argv) {
  // Authors run it from the media folder too, beside files anyone may have put there.
  static_cast<void>(FenceDllSearchPath());
  if (argc == 2 && std::wstring_view(argv[1]) == L"--lsp") {
    // The protocol counts bytes: no CRLF translation either way.
    static_cast<void>(_setmode(_fileno(stdin), _O_BINARY));
    static_cast<void>(_setmode(_fileno(stdout), _O_BINARY));
    wchar_t program[32768];
    const DWORD length = GetModuleFileNameW(nullptr, program, 32768);
    return RunLanguageServer(stdin, stdout, std::wstring(program, length < 32768 ? length : 0));
  }
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

#if defined(__GLIBC__)
#include <malloc.h>
#endif

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // Each file's work frees what it took. By default glibc hands the top of the
  // heap back to the kernel after a file and asks for it again for the next:
  // over a repository of packages that is two system calls and fresh page
  // faults a file. What is kept, up to 64 MiB, is what the largest file took.
  static_cast<void>(mallopt(M_TRIM_THRESHOLD, 64 << 20));
  static_cast<void>(mallopt(M_TOP_PAD, 1 << 20));
#endif
  if (argc == 2 && std::string_view(argv[1]) == "--lsp") {
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) program = argv[0];
    return RunLanguageServer(stdin, stdout, program);
  }
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
