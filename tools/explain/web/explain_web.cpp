// The browser page's way into perinax-explain: the page hands over the INI
// file's bytes as they are (so that UTF-16, byte-order marks and ANSI text are
// read as the command line reads them), and the engine explains them as
// `perinax-explain --no-folder` does: the page holds no rule of its own.

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "tools/common/utf.h"
#include "tools/explain/cli/command_line.h"
#include "tools/explain/engine/explainer.h"
#include "tools/explain/formats/forms.h"
#include "tools/explain/web/page_form.h"

namespace {

std::string g_result;
int g_exitCode = kExplainFailed;

// The file keeps the name the author gave it, as it shows in the trace, in a
// folder of its own (the page cannot see the author's); a name with no usable
// characters is the launcher's own.
std::wstring ShownName(const std::string& name) {
  std::string kept;
  for (const char c : std::filesystem::path(name).filename().string()) {
    if (c != '/' && c != '\0') kept += c;
  }
  if (kept.empty() || kept == "." || kept == "..") kept = "Perinax.ini";
  return Utf16FromUtf8("/ini/" + kept);
}

}  // namespace

extern "C" {

// Explains `size` bytes of the INI file named `name`: with an empty `caseName`
// in the page's form of the JSON (page_form.h), else that case's exact trace. The text is valid
// until the next call; ExplainExitCode gives the checker's exit code.
EMSCRIPTEN_KEEPALIVE const char* ExplainBytes(const char* name, const std::uint8_t* bytes,
                                              std::size_t size, const char* caseName) {
  const std::string_view only = caseName;
  ExplainRequest request{.bytes = {reinterpret_cast<const char*>(bytes), size},
                         .file = ShownName(name)};
  if (!only.empty()) {
    request.only = FindExplainCase(only);
    if (request.only == nullptr) {
      g_exitCode = kExplainFailed;
      g_result = "perinax-explain: unknown case " + std::string(only) + "\n" + Usage();
      return g_result.c_str();
    }
  }
  const std::optional<Explanation> explanation = Explain(request);
  if (!explanation) {
    g_exitCode = kExplainFailed;
    g_result = "perinax-explain: cannot read " + Utf8FromUtf16(request.file) + "\n";
    return g_result.c_str();
  }
  g_exitCode = ExitCodeOf(*explanation);
  if (request.only == nullptr) {
    g_result = FormatPageJson(*explanation);
  } else {
    const auto plan = std::find_if(explanation->cases.begin(), explanation->cases.end(),
                                   [&](const CasePlan& p) { return p.spec == request.only; });
    g_result = FormatCaseTrace(*plan);
  }
  return g_result.c_str();
}

EMSCRIPTEN_KEEPALIVE int ExplainExitCode() {
  return g_exitCode;
}

}  // extern "C"
