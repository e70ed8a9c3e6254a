#include "tools/explain/engine/fixes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "lib/ini/ini_decode.h"
#include "tools/common/utf.h"

namespace {

// The file as the units its positions count: UTF-16 code units after an FF FE
// mark, else its bytes (each one ANSI character, a mark of another encoding
// included, as Windows reads it).
class Units {
 public:
  explicit Units(std::string_view bytes)
      : bytes_(bytes),
        wide_(EncodingOf(bytes) == IniEncoding::kUtf16Le),
        first_(wide_ ? 2 : 0),
        count_((bytes.size() - first_) / (wide_ ? 2 : 1)) {
    lineStarts_.push_back(0);
    for (std::size_t i = 0; i < count_; ++i) {
      const char16_t unit = At(i);
      if (unit != u'\r' && unit != u'\n') continue;
      const bool pair = unit == u'\r' && i + 1 < count_ && At(i + 1) == u'\n';
      if (lineEnd_.empty()) lineEnd_ = pair ? u"\r\n" : std::u16string(1, unit);
      if (pair) ++i;
      lineStarts_.push_back(i + 1);
    }
    if (lineEnd_.empty()) lineEnd_ = u"\r\n";
  }

  // The byte a position lies at, kept within the file.
  std::size_t ByteOf(Position at) const {
    std::size_t unit = count_;
    if (at.line >= 1 && at.line <= lineStarts_.size()) {
      unit = std::min<std::size_t>(lineStarts_[at.line - 1] + (at.column > 0 ? at.column - 1 : 0),
                                   count_);
    }
    return first_ + unit * (wide_ ? 2 : 1);
  }

  // The text in the file's encoding, "\n" as the file's own line end.
  std::string Encode(const std::wstring& text) const {
    std::string out;
    for (const wchar_t c : text) {
      if (c == L'\n') {
        for (const char16_t unit : lineEnd_) Put(out, unit);
      } else {
        Put(out, static_cast<char16_t>(c));
      }
    }
    return out;
  }

 private:
  char16_t At(std::size_t i) const {
    if (!wide_) return static_cast<unsigned char>(bytes_[i]);
    const std::size_t at = first_ + 2 * i;
    return static_cast<char16_t>(static_cast<unsigned char>(bytes_[at]) |
                                 static_cast<unsigned char>(bytes_[at + 1]) << 8);
  }

  void Put(std::string& out, char16_t unit) const {
    if (wide_) {
      out += static_cast<char>(unit & 0xFF);
      out += static_cast<char>(unit >> 8);
    } else {
      out += AnsiByteOf(unit);
    }
  }

  // The ANSI byte Windows decodes into this character, '?' where none does.
  static char AnsiByteOf(char16_t unit) {
    if (unit < 0x80) return static_cast<char>(unit);
    static const std::array<char16_t, 256> decoded = [] {
      std::array<char16_t, 256> table{};
      for (std::size_t byte = 0; byte < table.size(); ++byte) {
        const std::wstring text = DecodeFile(std::string(1, static_cast<char>(byte)));
        table[byte] = text.empty() ? 0 : static_cast<char16_t>(text.front());
      }
      return table;
    }();
    for (std::size_t byte = 0x80; byte < decoded.size(); ++byte) {
      if (decoded[byte] == unit) return static_cast<char>(byte);
    }
    return '?';
  }

  std::string_view bytes_;
  bool wide_;
  std::size_t first_ = 0;
  std::size_t count_ = 0;
  std::vector<std::size_t> lineStarts_;
  std::u16string lineEnd_;
};

struct ByteEdit {
  std::size_t from;
  std::size_t to;
  std::string text;
};

bool Overlap(const ByteEdit& a, const ByteEdit& b) {
  if (a.from == a.to && b.from == b.to) return a.from == b.from;  // two insertions at one place
  return a.from < b.to && b.from < a.to;
}

}  // namespace

FixedFile ApplyFixes(std::string_view bytes, const std::vector<Finding>& findings) {
  const Units units(bytes);
  std::vector<ByteEdit> accepted;
  FixedFile fixed;
  for (const Finding& finding : findings) {
    if (!finding.fix) continue;
    std::vector<ByteEdit> edits;
    for (const TextEdit& edit : finding.fix->edits) {
      const std::size_t from = units.ByteOf(edit.from);
      edits.push_back({from, std::max(from, units.ByteOf(edit.to)), units.Encode(edit.text)});
    }
    const bool clash = std::any_of(edits.begin(), edits.end(), [&](const ByteEdit& edit) {
      return std::any_of(accepted.begin(), accepted.end(),
                         [&](const ByteEdit& other) { return Overlap(edit, other); });
    });
    if (clash) continue;
    accepted.insert(accepted.end(), edits.begin(), edits.end());
    ++fixed.applied;
  }
  // An insertion goes before a replacement that starts where it is.
  std::stable_sort(accepted.begin(), accepted.end(), [](const ByteEdit& a, const ByteEdit& b) {
    return a.from != b.from ? a.from < b.from : (a.to - a.from) < (b.to - b.from);
  });
  std::size_t at = 0;
  for (const ByteEdit& edit : accepted) {
    fixed.bytes.append(bytes.substr(at, edit.from - at));
    fixed.bytes += edit.text;
    at = edit.to;
  }
  fixed.bytes.append(bytes.substr(at));
  return fixed;
}
