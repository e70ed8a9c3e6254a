// The browser page's way into perinax-explain: the page hands over the INI
// file's bytes as they are (so that UTF-16, byte-order marks and ANSI text are
// read as the command line reads them), and the checker runs on them exactly as
// `perinax-explain --no-folder` does. The page holds no rule of its own.

#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/explain/report.h"
#include "tools/explain/utf.h"

namespace {

// In Emscripten's in-memory file system; the page cannot see the author's folder.
const std::filesystem::path kFolder = "/ini";

std::string g_result;
int g_exitCode = kExplainFailed;

// The file keeps the name the author gave it, as it shows in the trace; a
// name with no usable characters is the launcher's own.
std::filesystem::path InputPath(const std::string& name) {
  std::string kept;
  for (const char c : std::filesystem::path(name).filename().string()) {
    if (c != '/' && c != '\0') kept += c;
  }
  if (kept.empty() || kept == "." || kept == "..") kept = "Perinax.ini";
  return kFolder / kept;
}

}  // namespace

extern "C" {

// Writes `size` bytes as the INI file named `name` and runs the checker on it:
// with an empty `caseName` its JSON form, else that case's exact trace. The
// text is valid until the next call; ExplainExitCode gives the checker's exit code.
EMSCRIPTEN_KEEPALIVE const char* ExplainBytes(const char* name, const std::uint8_t* bytes,
                                              std::size_t size, const char* caseName) {
  std::error_code error;
  std::filesystem::remove_all(kFolder, error);
  std::filesystem::create_directories(kFolder, error);
  const std::filesystem::path path = InputPath(name);
  {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  }
  std::vector<std::wstring> words = {L"--no-folder"};
  const std::string only = caseName;
  if (only.empty()) {
    words.emplace_back(L"--json");
  } else {
    words.emplace_back(L"--case");
    words.push_back(Utf16FromUtf8(only));
  }
  words.push_back(Utf16FromUtf8(path.string()));
  // Only FILE's word is opened as a path.
  std::vector<std::filesystem::path> paths(words.size());
  paths.back() = path;
  const ExplainOutput output = RunExplainer(words, paths);
  g_exitCode = output.exitCode;
  g_result = output.exitCode == kExplainFailed ? output.err : output.out;
  return g_result.c_str();
}

EMSCRIPTEN_KEEPALIVE int ExplainExitCode() {
  return g_exitCode;
}

}  // extern "C"
