#include "tools/explain/engine/suppressions.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "lib/ini/ini_decode.h"
#include "tools/common/utf.h"

namespace {

constexpr std::wstring_view kDirective = L"perinax-explain:";
constexpr std::wstring_view kDisable = L"disable=";

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\v';
}

std::wstring_view Trimmed(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

struct Directives {
  CodeSet wholeFile;
  std::unordered_map<std::uint32_t, CodeSet> byLine;  // the line each applies to
  std::vector<Finding> unknown;
};

// The codes of one directive, `list` being the text after "disable=" at
// `column` of `line`.
CodeSet ReadCodes(std::wstring_view list, std::uint32_t line, std::uint32_t column,
                  std::vector<Finding>& unknown) {
  CodeSet codes;
  std::size_t at = 0;
  while (at <= list.size()) {
    std::size_t end = list.find(L',', at);
    if (end == std::wstring_view::npos) end = list.size();
    const std::wstring_view raw = list.substr(at, end - at);
    const std::wstring_view name = Trimmed(raw);
    if (!name.empty()) {
      const CodeInfo* info = FindCode(Utf8FromUtf16(name));
      if (info != nullptr) {
        codes.set(static_cast<std::size_t>(info->code));
      } else {
        const auto start = column + static_cast<std::uint32_t>(at + (name.data() - raw.data()));
        const std::wstring shown = Printable(name, 80);
        unknown.push_back({{{line, start}, {line, start + static_cast<std::uint32_t>(name.size())}},
                           Code::kUnknownCode,
                           L"disable=" + shown,
                           L"\"" + shown +
                               L"\" is no perinax-explain code, so this comment disables nothing; "
                               L"perinax-explain --list-codes lists the codes"});
      }
    }
    at = end + 1;
  }
  return codes;
}

Directives ReadDirectives(std::wstring_view text) {
  Directives found;
  CodeSet pending;
  bool inSection = false;
  std::uint32_t line = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    // CRLF ends one line; CR or LF alone one each, as the INI reader counts.
    std::size_t end = text.find_first_of(L"\r\n", at);
    if (end == std::wstring_view::npos) end = text.size();
    const std::wstring_view whole = text.substr(at, end - at);
    at = end + (text.compare(end, 2, L"\r\n") == 0 ? 2 : 1);
    ++line;
    std::size_t lead = 0;
    while (lead < whole.size() && IsBlank(whole[lead])) ++lead;
    const std::wstring_view content = whole.substr(lead);
    if (content.empty()) continue;
    if (content.front() != L';') {
      if (content.front() == L'[') inSection = true;
      if (pending.any()) found.byLine[line] |= pending;
      pending.reset();
      continue;
    }
    std::wstring_view comment = content.substr(1);
    while (!comment.empty() && IsBlank(comment.front())) comment.remove_prefix(1);
    if (!comment.starts_with(kDirective)) continue;
    comment.remove_prefix(kDirective.size());
    while (!comment.empty() && IsBlank(comment.front())) comment.remove_prefix(1);
    if (!comment.starts_with(kDisable)) continue;
    comment.remove_prefix(kDisable.size());
    const auto column = static_cast<std::uint32_t>(comment.data() - whole.data() + 1);
    const CodeSet codes = ReadCodes(comment, line, column, found.unknown);
    (inSection ? pending : found.wholeFile) |= codes;
  }
  return found;
}

bool Has(const CodeSet& codes, Code code) {
  return codes.test(static_cast<std::size_t>(code));
}

}  // namespace

const CodeInfo* FindCode(std::string_view name) {
  for (const CodeInfo& info : kCatalogue) {
    if (name == info.name) return &info;
  }
  return nullptr;
}

void ApplyInlineSuppressions(std::string_view bytes, Explanation& explanation) {
  // Most files hold no directive: they are not decoded a second time.
  if (EncodingOf(bytes) != IniEncoding::kUtf16Le && bytes.find("perinax-explain") == bytes.npos)
    return;
  Directives found = ReadDirectives(DecodeFile(bytes));
  if (!found.unknown.empty()) {
    explanation.findingCount += found.unknown.size();
    std::vector<Finding>& findings = explanation.findings;
    findings.insert(findings.end(), std::make_move_iterator(found.unknown.begin()),
                    std::make_move_iterator(found.unknown.end()));
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line() < b.line(); });
  }
  for (Finding& finding : explanation.findings) {
    const auto line = found.byLine.find(finding.line());
    if (Has(found.wholeFile, finding.code) ||
        (line != found.byLine.end() && Has(line->second, finding.code))) {
      finding.suppression = Suppression::kInSource;
    }
  }
  for (LeftOut& left : explanation.leftOut) {
    if (Has(found.wholeFile, left.code)) left.suppression = Suppression::kInSource;
  }
}

void ApplyExternalSuppressions(const CodeSet& disabled, Explanation& explanation) {
  if (disabled.none()) return;
  for (Finding& finding : explanation.findings) {
    if (finding.suppression == Suppression::kNone && Has(disabled, finding.code))
      finding.suppression = Suppression::kExternal;
  }
  for (LeftOut& left : explanation.leftOut) {
    if (left.suppression == Suppression::kNone && Has(disabled, left.code))
      left.suppression = Suppression::kExternal;
  }
}
