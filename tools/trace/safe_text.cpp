#include "tools/trace/safe_text.h"

#include "tools/common/utf.h"
#include "tools/trace/log_record.h"

namespace {

constexpr std::string_view kRecordStart = "<![LOG[";
constexpr std::string_view kRecordEnd = "]LOG]!>";

bool StartsWithViewerMark(std::string_view text) {
  for (const wchar_t* mark = kViewerMark; *mark != L'\0'; ++mark, text.remove_prefix(1)) {
    if (text.empty() || text.front() != static_cast<char>(*mark)) return false;
  }
  return true;
}

}  // namespace

std::string SafeText(std::string_view text, TextUse use) {
  std::string safe;
  safe.reserve(text.size());
  if (use != TextUse::kTraceLog && StartsWithViewerMark(text)) safe = kProgramLineMark;
  // The screen takes the escape every tool's output uses.
  if (use == TextUse::kScreen) return safe + VisibleText(text);
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text.front());
    std::size_t taken = 0;
    if (c < 0x20) {
      safe.push_back(' ');
    } else if (use == TextUse::kTraceLog && text.starts_with(kRecordStart)) {
      // Neither marker overlaps itself or the other, and "&lt;" and "&gt;" start none, so one
      // pass breaks every marker, repeated and nested ones included.
      safe += "&lt;";
    } else if (use == TextUse::kTraceLog && text.starts_with(kRecordEnd)) {
      taken = kRecordEnd.size();
      safe += kRecordEnd.substr(0, taken - 1);
      safe += "&gt;";
    } else {
      safe.push_back(static_cast<char>(c));
    }
    text.remove_prefix(taken != 0 ? taken : 1);
  }
  return safe;
}
