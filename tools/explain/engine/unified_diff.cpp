// The unified diff of --diff: the lines of the two texts as Windows decodes
// them, compared by Myers' algorithm, whose work grows with the lines changed
// (a few, for the fixes of one file), not with the file's length.

#include <algorithm>
#include <string>
#include <vector>

#include "lib/ini/ini_decode.h"
#include "tools/common/utf.h"
#include "tools/explain/engine/fixes.h"

namespace {

// A line as a diff shows it: UTF-8, with its own line end, so that patch takes
// the diff of a CRLF file too.
struct Line {
  std::string text;
  std::string end;  // "\r\n", "\r" or "\n"; empty for a last line without one
  bool operator==(const Line&) const = default;
};

// CRLF, CR or LF alone each end a line, as the INI reader counts them.
std::vector<Line> LinesOf(std::string_view bytes) {
  const std::wstring text = DecodeFile(bytes);
  std::vector<Line> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'\r' && text[i] != L'\n') continue;
    const bool pair = text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n';
    lines.push_back({Utf8FromUtf16(text.substr(start, i - start)),
                     pair ? "\r\n" : std::string(1, static_cast<char>(text[i]))});
    if (pair) ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back({Utf8FromUtf16(text.substr(start)), ""});
  return lines;
}

enum class Op { kSame, kOld, kNew };

// The shortest edit script from a to b, in order.
std::vector<Op> EditScript(const std::vector<Line>& a, const std::vector<Line>& b) {
  // The common ends first, so that the search covers only what lies between.
  std::size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  std::size_t tail = 0;
  while (tail < a.size() - head && tail < b.size() - head &&
         a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) {
    ++tail;
  }
  const auto n = static_cast<long>(a.size() - head - tail);
  const auto m = static_cast<long>(b.size() - head - tail);
  auto same = [&](long x, long y) { return a[head + x] == b[head + y]; };
  const long max = n + m;
  std::vector<long> v(2 * max + 3, 0);
  auto at = [&](long k) -> long& { return v[k + max + 1]; };
  // trace[d]: v over k = -d..d before step d.
  std::vector<std::vector<long>> trace;
  long steps = 0;
  for (long d = 0; d <= max; ++d) {
    trace.emplace_back(v.begin() + (max + 1 - d), v.begin() + (max + 2 + d));
    bool done = false;
    for (long k = -d; k <= d; k += 2) {
      long x = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? at(k + 1) : at(k - 1) + 1;
      long y = x - k;
      while (x < n && y < m && same(x, y)) ++x, ++y;
      at(k) = x;
      if (x >= n && y >= m) done = true;
      if (done) break;
    }
    if (done) {
      steps = d;
      break;
    }
  }
  std::vector<Op> middle;
  long x = n;
  long y = m;
  for (long d = steps; d > 0; --d) {
    const std::vector<long>& before = trace[d];
    auto was = [&](long k) { return before[k + d]; };
    const long k = x - y;
    const long previous = (k == -d || (k != d && was(k - 1) < was(k + 1))) ? k + 1 : k - 1;
    const long px = was(previous);
    const long py = px - previous;
    while (x > px && y > py) middle.push_back(Op::kSame), --x, --y;
    middle.push_back(x == px ? Op::kNew : Op::kOld);
    x = px;
    y = py;
  }
  while (x > 0 && y > 0) middle.push_back(Op::kSame), --x, --y;
  std::vector<Op> script(head, Op::kSame);
  script.insert(script.end(), middle.rbegin(), middle.rend());
  script.insert(script.end(), tail, Op::kSame);
  return script;
}

void Print(std::string& out, char mark, const Line& line) {
  out += mark + line.text + (line.end.empty() ? "\n\\ No newline at end of file\n" : line.end);
}

}  // namespace

std::string UnifiedDiff(std::string_view before, std::string_view after, const std::string& name) {
  constexpr std::size_t kContext = 3;
  const std::vector<Line> a = LinesOf(before);
  const std::vector<Line> b = LinesOf(after);
  const std::vector<Op> script = EditScript(a, b);
  // The line of each file where each step of the script starts.
  std::vector<std::size_t> oldAt(script.size() + 1, 0);
  std::vector<std::size_t> newAt(script.size() + 1, 0);
  for (std::size_t i = 0; i < script.size(); ++i) {
    oldAt[i + 1] = oldAt[i] + (script[i] != Op::kNew ? 1 : 0);
    newAt[i + 1] = newAt[i] + (script[i] != Op::kOld ? 1 : 0);
  }
  std::string out;
  std::size_t i = 0;
  while (true) {
    while (i < script.size() && script[i] == Op::kSame) ++i;
    if (i == script.size()) break;
    const std::size_t start = i > kContext ? i - kContext : 0;
    std::size_t last = i;
    for (std::size_t j = i; j < script.size() && j - last <= 2 * kContext; ++j) {
      if (script[j] != Op::kSame) last = j;
    }
    const std::size_t end = std::min(script.size(), last + 1 + kContext);
    const std::size_t oldCount = oldAt[end] - oldAt[start];
    const std::size_t newCount = newAt[end] - newAt[start];
    if (out.empty()) {
      out = "--- a/";
      out += name;
      out += "\n+++ b/";
      out += name;
      out += '\n';
    }
    // Appended piece by piece: GCC 12 at -O3 warns (-Wrestrict) on
    // "literal" + std::to_string(...).
    out += "@@ -";
    out += std::to_string(oldAt[start] + (oldCount > 0 ? 1 : 0));
    out += ',';
    out += std::to_string(oldCount);
    out += " +";
    out += std::to_string(newAt[start] + (newCount > 0 ? 1 : 0));
    out += ',';
    out += std::to_string(newCount);
    out += " @@\n";
    for (std::size_t j = start; j < end; ++j) {
      if (script[j] == Op::kSame) Print(out, ' ', a[oldAt[j]]);
      if (script[j] == Op::kOld) Print(out, '-', a[oldAt[j]]);
      if (script[j] == Op::kNew) Print(out, '+', b[newAt[j]]);
    }
    i = end;
  }
  return out;
}
