#include "tools/explain/checks/wording.h"

#include <algorithm>
#include <cwchar>

#include "tools/common/utf.h"
#include "tools/explain/engine/explanation.h"

std::wstring Lower(std::wstring_view text) {
  std::wstring lower(text);
  for (wchar_t& c : lower) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return lower;
}

namespace {

// A letter or digit as a gist keeps it, lowered; NUL for any other character.
wchar_t GistLetter(wchar_t c) {
  if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ? c : L'\0';
}

}  // namespace

void GistInto(std::wstring_view name, std::wstring& gist) {
  // Written in place: this runs once for every section of the file.
  gist.resize(name.size());
  std::size_t kept = 0;
  for (const wchar_t c : name) {
    if (const wchar_t letter = GistLetter(c)) gist[kept++] = letter;
  }
  gist.resize(kept);
  if (gist.starts_with(L"windows")) gist.replace(0, 7, L"win");
}

wchar_t GistLead(std::wstring_view name) {
  for (const wchar_t c : name) {
    if (const wchar_t letter = GistLetter(c)) return letter;
  }
  return L'\0';
}

std::wstring Gist(std::wstring_view name) {
  std::wstring gist;
  GistInto(name, gist);
  return gist;
}

std::size_t EditDistance(std::wstring_view a, std::wstring_view b) {
  const std::size_t longer = std::max(a.size(), b.size());
  if (longer - std::min(a.size(), b.size()) > 3) return longer;  // far apart anyway
  const std::wstring x = Lower(a);
  const std::wstring y = Lower(b);
  // Three rows of the table: two back, one back and this one.
  std::vector<std::size_t> before(y.size() + 1), last(y.size() + 1), row(y.size() + 1);
  for (std::size_t j = 0; j <= y.size(); ++j) last[j] = j;
  for (std::size_t i = 1; i <= x.size(); ++i) {
    row[0] = i;
    for (std::size_t j = 1; j <= y.size(); ++j) {
      const std::size_t change = x[i - 1] == y[j - 1] ? 0 : 1;
      row[j] = std::min({last[j] + 1, row[j - 1] + 1, last[j - 1] + change});
      if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1]) {
        row[j] = std::min(row[j], before[j - 2] + 1);
      }
    }
    before.swap(last);
    last.swap(row);
  }
  return last[y.size()];
}

std::wstring Shown(std::wstring_view text) {
  return Printable(text, 80);
}

std::wstring Bracketed(std::wstring_view name) {
  return L"[" + Shown(name) + L"]";
}

std::wstring Quoted(std::wstring_view text) {
  return L"\"" + Shown(text) + L"\"";
}

std::wstring Widen(const char* text) {
  return text == nullptr ? std::wstring() : Utf16FromUtf8(text);
}

std::wstring Stored(std::uint32_t value) {
  wchar_t hex[16];
  static_cast<void>(std::swprintf(hex, 16, L"0x%08X", static_cast<unsigned>(value)));
  return std::wstring(hex) + L" (" + std::to_wstring(value) + L")";
}

std::wstring CaseNames(const std::vector<const CasePlan*>& plans) {
  std::wstring names;
  for (const CasePlan* plan : plans) {
    if (!names.empty()) names += L", ";
    names += Widen(plan->spec->name);
  }
  return names;
}

std::size_t FindFolded(std::wstring_view text, std::wstring_view needle, std::size_t from) {
  return Lower(text).find(Lower(needle), from);
}

std::size_t CountOf(std::wstring_view text, std::wstring_view needle) {
  std::size_t count = 0;
  for (std::size_t at = text.find(needle); at != std::wstring_view::npos;
       at = text.find(needle, at + needle.size())) {
    ++count;
  }
  return count;
}
