#include "settings/ini_reader.h"

#include <algorithm>
#include <bit>
#include <fstream>
#include <iterator>
#include <system_error>

namespace {

// Windows-1252 for the bytes 0x80 to 0x9F; the five bytes it leaves undefined
// map to the control characters of the same value, as Windows maps them.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool StartsWith(std::string_view bytes, std::string_view mark) {
  return bytes.substr(0, mark.size()) == mark;
}

IniEncoding EncodingOf(std::string_view bytes) {
  if (StartsWith(bytes, "\xFF\xFE")) return IniEncoding::kUtf16Le;
  if (StartsWith(bytes, "\xEF\xBB\xBF")) return IniEncoding::kUtf8Mark;
  if (StartsWith(bytes, "\xFE\xFF")) return IniEncoding::kUtf16BeMark;
  return IniEncoding::kAnsi;
}

std::wstring DecodeFile(std::string_view bytes) {
  std::wstring text;
  if (EncodingOf(bytes) == IniEncoding::kUtf16Le) {
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const unsigned low = static_cast<unsigned char>(bytes[i]);
      const unsigned high = static_cast<unsigned char>(bytes[i + 1]);
      text.push_back(static_cast<wchar_t>(low | (high << 8)));
    }
    return text;
  }
  text.reserve(bytes.size());
  for (const char byte : bytes) {
    const unsigned value = static_cast<unsigned char>(byte);
    text.push_back(static_cast<wchar_t>(
        value >= 0x80 && value < 0xA0 ? kWindows1252High[value - 0x80] : value));
  }
  return text;
}

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\v';
}

std::wstring_view TrimBlanks(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Names given by the caller lose their spaces only; a tab stays and then
// matches nothing that was read from the file.
std::wstring_view TrimSpaces(std::wstring_view text) {
  while (!text.empty() && text.front() == L' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == L' ') text.remove_suffix(1);
  return text;
}

std::wstring_view RemoveQuotePair(std::wstring_view value) {
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Case folding for ASCII and Latin-1 letters; nothing the launcher reads needs more.
wchar_t FoldCase(wchar_t c) {
  if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
    return static_cast<wchar_t>(c - 0x20);
  }
  return c;
}

// The slot of `name` in an open-addressed table of indices plus one into
// `items`: the one that holds the first item of that name, letter case aside,
// or the empty one where it would go.
template <typename Items>
std::size_t SlotOf(std::span<const std::uint32_t> slots, const Items& items,
                   std::wstring_view name) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a over the folded name
  for (const wchar_t c : name) {
    hash ^= static_cast<std::uint64_t>(FoldCase(c));
    hash *= 1099511628211ull;
  }
  const std::size_t mask = slots.size() - 1;
  for (std::size_t slot = static_cast<std::size_t>(hash) & mask;; slot = (slot + 1) & mask) {
    const std::uint32_t held = slots[slot];
    if (held == 0 || IniReader::SameName(items[held - 1].name, name)) return slot;
  }
}

// The index plus one of the first item of that name, or 0.
template <typename Items>
std::uint32_t HeldBy(std::span<const std::uint32_t> slots, const Items& items,
                     std::wstring_view name) {
  return slots.empty() ? 0 : slots[SlotOf(slots, items, name)];
}

// Enters items[index] in a table at least twice as large as the items; false
// when an earlier item has its name.
template <typename Items>
bool Indexed(std::span<std::uint32_t> slots, const Items& items, std::size_t index) {
  const std::size_t slot = SlotOf<Items>(slots, items, items[index].name);
  if (slots[slot] != 0) return false;
  slots[slot] = static_cast<std::uint32_t>(index + 1);
  return true;
}

// The size of a table for `count` items: a power of two, at least twice as
// many, so that a search meets few taken slots.
std::size_t TableSize(std::size_t count) {
  return count == 0 ? 0 : std::bit_ceil(count * 2);
}

std::uint32_t CopyCut(std::wstring_view text, wchar_t* buffer, std::uint32_t size) {
  if (size == 0) return 0;
  const std::uint32_t count =
      static_cast<std::uint32_t>(std::min<std::size_t>(text.size(), size - 1));
  std::copy_n(text.begin(), count, buffer);
  buffer[count] = L'\0';
  return count;
}

}  // namespace

IniReader IniReader::Missing() {
  return IniReader();
}

IniReader IniReader::FromBytes(std::string_view bytes) {
  IniReader reader;
  reader.exists_ = true;
  reader.oddities_.encoding = EncodingOf(bytes);
  reader.text_ = std::make_shared<const std::wstring>(DecodeFile(bytes));
  reader.Parse(*reader.text_);
  return reader;
}

IniReader IniReader::FromFile(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return Missing();
  std::ifstream file(path, std::ios::binary);
  if (!file) return Missing();
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) return Missing();
  return FromBytes(bytes);
}

void IniReader::Parse(std::wstring_view text) {
  const bool ansi = oddities_.encoding != IniEncoding::kUtf16Le;
  // Room for every section the file can hold, so that neither the sections nor
  // their table is rebuilt as they fill.
  const auto brackets = static_cast<std::size_t>(std::count(text.begin(), text.end(), L'['));
  sectionSlots_.assign(TableSize(std::max<std::size_t>(4, brackets)), 0);
  sections_.reserve(brackets);

  std::wstring_view rest = text;
  for (std::uint32_t number = 1; !rest.empty(); ++number) {
    // Not find_first_of, which searches its set once for every character.
    const auto stop =
        std::find_if(rest.begin(), rest.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; });
    const std::size_t end = stop == rest.end() ? std::wstring_view::npos
                                               : static_cast<std::size_t>(stop - rest.begin());
    const std::wstring_view raw = rest.substr(0, end);
    std::size_t next = end == std::wstring_view::npos ? rest.size() : end + 1;
    if (end != std::wstring_view::npos && rest[end] == L'\r' && next < rest.size() &&
        rest[next] == L'\n') {
      ++next;
    }
    rest.remove_prefix(next);

    if (ansi) {
      if (std::any_of(raw.begin(), raw.end(), [](wchar_t c) { return c >= 0x80; })) {
        oddities_.nonAsciiLines.push_back(number);
      }
      if (raw.find(L'\0') != std::wstring_view::npos) oddities_.nulLines.push_back(number);
    }

    const std::wstring_view line = TrimBlanks(raw);
    if (line.empty() || line.front() == L';') continue;
    if (line.front() == L'[') {
      const std::wstring_view inside = line.substr(1);
      if (!sections_.empty() && sections_.back().keyCount != 0) IndexKeys();
      IniSection section;
      section.name = TrimBlanks(inside.substr(0, inside.find(L']')));
      section.line = number;
      section.firstKey = static_cast<std::uint32_t>(keys_.size());
      sections_.push_back(section);
      sections_.back().repeated =
          !Indexed(std::span(sectionSlots_), sections_, sections_.size() - 1);
      continue;
    }
    if (sections_.empty()) {
      oddities_.linesBeforeSection.push_back(number);
      continue;
    }
    const std::size_t equals = line.find(L'=');
    if (equals == std::wstring_view::npos) continue;
    IniKey key;
    key.name = TrimBlanks(line.substr(0, equals));
    key.value = RemoveQuotePair(TrimBlanks(line.substr(equals + 1)));
    key.line = number;
    keys_.push_back(key);
    ++sections_.back().keyCount;
  }
  if (!sections_.empty() && sections_.back().keyCount != 0) IndexKeys();
}

void IniReader::IndexKeys() {
  IniSection& section = sections_.back();
  section.firstKeySlot = static_cast<std::uint32_t>(keySlots_.size());
  keySlots_.resize(keySlots_.size() + TableSize(section.keyCount), 0);
  const std::span<IniKey> keys(keys_.data() + section.firstKey, section.keyCount);
  const std::span<std::uint32_t> slots(keySlots_.data() + section.firstKeySlot,
                                       TableSize(section.keyCount));
  for (std::size_t k = 0; k < keys.size(); ++k) keys[k].repeated = !Indexed(slots, keys, k);
}

bool IniReader::SameName(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return FoldCase(x) == FoldCase(y); });
}

const IniSection* IniReader::FindSection(std::wstring_view name) const {
  const std::uint32_t held = HeldBy(std::span(sectionSlots_), sections_, name);
  return held == 0 ? nullptr : &sections_[held - 1];
}

std::span<const IniKey> IniReader::Keys(const IniSection& section) const {
  return std::span(keys_).subspan(section.firstKey, section.keyCount);
}

const IniKey* IniReader::FindKey(const IniSection& section, std::wstring_view name) const {
  const std::span<const IniKey> keys = Keys(section);
  const std::span<const std::uint32_t> slots =
      std::span(keySlots_).subspan(section.firstKeySlot, TableSize(keys.size()));
  const std::uint32_t held = HeldBy(slots, keys, name);
  return held == 0 ? nullptr : &keys[held - 1];
}

std::uint32_t IniReader::SectionNames(wchar_t* buffer, std::uint32_t size) const {
  if (size == 0) return 0;
  std::wstring list;
  for (const IniSection& section : sections_) {
    if (section.name.empty()) continue;
    list += section.name;
    list.push_back(L'\0');
    // Past size characters the list is cut anyway: a file of a hundred thousand
    // sections costs no more than one that fills the buffer.
    if (list.size() >= size) break;
  }
  if (size == 1 || list.size() + 2 <= size) {
    return CopyCut(list, buffer, size);
  }
  // The list and its final terminator need more than size - 1 characters.
  const std::uint32_t kept = size - 2;
  std::copy_n(list.begin(), kept, buffer);
  buffer[kept] = L'\0';
  buffer[kept + 1] = L'\0';
  return kept;
}

std::uint32_t IniReader::GetString(const wchar_t* section, const wchar_t* key,
                                   const wchar_t* defaultText, wchar_t* buffer,
                                   std::uint32_t size) const {
  if (section != nullptr && key != nullptr) {
    const IniSection* found = FindSection(TrimSpaces(section));
    const IniKey* entry = found != nullptr ? FindKey(*found, TrimSpaces(key)) : nullptr;
    if (entry != nullptr) {
      return CopyCut(entry->value.substr(0, LengthRead(entry->value)), buffer, size);
    }
  }
  std::wstring_view fallback = defaultText != nullptr ? defaultText : L"";
  while (!fallback.empty() && fallback.back() == L' ') fallback.remove_suffix(1);
  return CopyCut(fallback, buffer, size);
}
