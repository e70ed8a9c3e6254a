#include "tools/trace/options.h"

#include <utility>

namespace {

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

// Takes one word off the front of the text, without the quotes around it.
std::wstring TakeWord(const wchar_t*& text) {
  std::wstring word;
  const bool quoted = *text == L'"';
  if (quoted) ++text;
  while (*text != L'\0' && (quoted ? *text != L'"' : !IsBlank(*text))) word.push_back(*text++);
  if (quoted && *text == L'"') ++text;
  while (IsBlank(*text)) ++text;
  return word;
}

TraceOptions Only(TraceOptions::Action action, std::wstring error = {}) {
  TraceOptions options;
  options.action = action;
  options.error = std::move(error);
  return options;
}

TraceOptions UsageError(std::wstring error) {
  return Only(TraceOptions::Action::kUsageError, std::move(error));
}

}  // namespace

TraceOptions ParseTraceOptions(const wchar_t* text) {
  TraceOptions options;
  while (IsBlank(*text)) ++text;
  while (*text == L'-') {
    const std::wstring name = TakeWord(text);
    if (name == L"--help") return Only(TraceOptions::Action::kHelp);
    if (name == L"--version") return Only(TraceOptions::Action::kVersion);
    std::wstring* value = name == L"--log"    ? &options.logPath
                          : name == L"--dlls" ? &options.dllLogPath
                                              : nullptr;
    if (value == nullptr && name != L"--log-format") return UsageError(L"unknown option " + name);
    if (*text == L'\0') return UsageError(L"option " + name + L" needs a value");
    std::wstring word = TakeWord(text);
    if (value != nullptr) {
      *value = std::move(word);
    } else if (word == L"cmtrace" || word == L"text") {
      options.logFormat = word == L"text" ? LogFormat::kText : LogFormat::kTraceLog;
    } else {
      return UsageError(L"unknown log format " + word + L" (cmtrace or text)");
    }
  }
  if (*text == L'\0') return UsageError(L"no program to run");
  options.program = text;
  return options;
}
