#include "lib/ini/ini_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>
#include <system_error>

namespace {

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

// A hash of a name that letter case does not change, within a group of items
// (the keys of one section; all the sections). The case pairs that SameName
// matches (a-z, and the Latin-1 letters) differ only in the bit 0x20, so a
// character with that bit set stands for both; characters that share a value
// merely share a slot, and SameName still decides. No fold per character:
// this runs for every section and key of the file.
std::uint64_t HashOfName(std::wstring_view name, std::uint32_t group) {
  std::uint64_t hash = 14695981039346656037ull ^ group;  // FNV-1a
  for (const wchar_t c : name) {
    hash = (hash ^ (static_cast<std::uint64_t>(c) | 0x20u)) * 1099511628211ull;
  }
  // A product's low bits depend only on its factors' low bits: fold the high
  // ones in, as the table takes the low ones.
  return hash ^ (hash >> 32);
}

// The items [first, last) of `items` that one table lookup considers.
struct Group {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
};

// The name of a section or key in the text it was read from.
template <typename Item>
std::wstring_view NameIn(const wchar_t* text, const Item& item) {
  return {text + item.nameAt, item.nameSize};
}

// The slot of `name` in an open-addressed table of indices plus one into
// `items` (read from `text`): the one that holds the first item of that name
// in its group, letter case aside, or the empty one where it would go.
template <typename Item>
std::size_t SlotOf(std::span<const std::uint32_t> slots, std::span<const Item> items,
                   const wchar_t* text, std::wstring_view name, std::uint64_t hash, Group group) {
  const std::size_t mask = slots.size() - 1;
  for (std::size_t slot = static_cast<std::size_t>(hash) & mask;; slot = (slot + 1) & mask) {
    const std::uint32_t held = slots[slot];
    if (held == 0) return slot;
    if (held - 1 >= group.first && held - 1 < group.last &&
        IniReader::SameName(NameIn(text, items[held - 1]), name)) {
      return slot;
    }
  }
}

// The first item of that name in its group, or null.
template <typename Item>
const Item* HeldBy(std::span<const std::uint32_t> slots, std::span<const Item> items,
                   const wchar_t* text, std::wstring_view name, Group group) {
  if (group.first == group.last) return nullptr;
  const std::uint32_t held =
      slots[SlotOf(slots, items, text, name, HashOfName(name, group.first), group)];
  return held == 0 ? nullptr : &items[held - 1];
}

// Asks for the memory at `address` ahead of a write to it.
void Prefetch(const void* address) {
#if defined(__GNUC__)
  __builtin_prefetch(address, 1);
#else
  static_cast<void>(address);
#endif
}

// Enters every item, in order, in a table of TableSize(items), and marks
// those whose name an earlier item of their group has. `groupOf` gives each
// item's group, item after item. The items go in a few at a time, their slots
// asked for before any is filled: a table for a hundred thousand names
// outgrows the processor's caches, and the waits for its memory then overlap
// instead of coming one after another.
template <typename Item, typename NextGroup>
void EnterAll(std::span<std::uint32_t> slots, std::span<Item> items, const wchar_t* text,
              NextGroup groupOf) {
  constexpr std::size_t kBatch = 16;
  std::array<std::uint64_t, kBatch> hashes{};
  std::array<Group, kBatch> groups{};
  const std::size_t mask = slots.size() - 1;
  for (std::size_t start = 0; start < items.size(); start += kBatch) {
    const std::size_t count = std::min(kBatch, items.size() - start);
    for (std::size_t i = 0; i < count; ++i) {
      groups[i] = groupOf();
      hashes[i] = HashOfName(NameIn(text, items[start + i]), groups[i].first);
      Prefetch(&slots[static_cast<std::size_t>(hashes[i]) & mask]);
    }
    for (std::size_t i = 0; i < count; ++i) {
      Item& item = items[start + i];
      const std::size_t slot =
          SlotOf(std::span<const std::uint32_t>(slots), std::span<const Item>(items), text,
                 NameIn(text, item), hashes[i], groups[i]);
      if (slots[slot] != 0) {
        item.repeated = true;
      } else {
        slots[slot] = static_cast<std::uint32_t>(start + i + 1);
      }
    }
  }
}

// The length of the line that starts `text`, up to its CR or LF. One pass
// finds the line's end and whether it holds anything but printable ASCII,
// which nearly every character of a file is and which costs one test.
std::size_t LineLength(std::wstring_view text, bool& plain) {
  plain = true;
  std::size_t length = 0;
  for (; length < text.size(); ++length) {
    // NOLINTNEXTLINE(bugprone-signed-char-misuse,cert-str34-c): UTF-16 units are never negative
    const auto c = static_cast<std::uint32_t>(text[length]);
    if (c - 0x20u < 0x60u) continue;
    if (c == L'\r' || c == L'\n') break;
    plain = false;
  }
  return length;
}

// Where a view of the text starts in it. Places fit 32 bits: larger files are
// not read.
std::uint32_t PlaceOf(std::wstring_view part, std::wstring_view text) {
  return static_cast<std::uint32_t>(part.data() - text.data());
}

// The size of a table for `count` items: a power of two, at least one and a
// half times as many, so that a search meets few taken slots (a third of the
// table at most stays empty) and the table is not twice the size it needs.
std::size_t TableSize(std::size_t count) {
  return count == 0 ? 0 : std::bit_ceil(std::max(count + count / 2, count + 1));
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
  if (bytes.size() >= kTooLargeBytes) return Missing();
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
  if (std::filesystem::file_size(path, error) >= kTooLargeBytes || error) return Missing();
  std::ifstream file(path, std::ios::binary);
  if (!file) return Missing();
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) return Missing();
  return FromBytes(bytes);
}

void IniReader::Parse(std::wstring_view text) {
  const bool ansi = oddities_.encoding != IniEncoding::kUtf16Le;
  // Room for every section and key the file can hold, so that none is moved
  // (into memory that is new to the process) as they fill: each is a line
  // with a '[', or with a '='.
  std::size_t brackets = 0;
  std::size_t equals = 0;
  std::size_t lineEnds = 0;
  for (const wchar_t c : text) {
    brackets += c == L'[';
    equals += c == L'=';
    lineEnds += c == L'\n' || c == L'\r';
  }
  sections_.reserve(std::min(brackets, lineEnds + 1));
  keys_.reserve(std::min(equals, lineEnds + 1));

  const wchar_t* at = text.data();
  const wchar_t* const end = text.data() + text.size();
  for (std::uint32_t number = 1; at != end; ++number) {
    bool plain = true;
    const std::wstring_view raw(at, LineLength({at, static_cast<std::size_t>(end - at)}, plain));
    at += raw.size();
    if (at != end && *at++ == L'\r' && at != end && *at == L'\n') ++at;

    if (ansi && !plain) {
      if (std::any_of(raw.begin(), raw.end(), [](wchar_t c) { return c >= 0x80; })) {
        oddities_.nonAsciiLines.push_back(number);
      }
      if (std::find(raw.begin(), raw.end(), L'\0') != raw.end()) {
        oddities_.nulLines.push_back(number);
      }
    }

    const std::wstring_view line = TrimBlanks(raw);
    if (line.empty() || line.front() == L';') continue;
    if (line.front() == L'[') {
      const std::wstring_view inside = line.substr(1);
      const auto close = std::find(inside.begin(), inside.end(), L']');
      const std::wstring_view name =
          TrimBlanks(inside.substr(0, static_cast<std::size_t>(close - inside.begin())));
      sections_.push_back(
          IniSection{PlaceOf(name, text), static_cast<std::uint32_t>(name.size()), number});
      continue;
    }
    if (sections_.empty()) {
      oddities_.linesBeforeSection.push_back(number);
      continue;
    }
    const auto equalsAt = std::find(line.begin(), line.end(), L'=');
    if (equalsAt == line.end()) continue;
    const auto equals = static_cast<std::size_t>(equalsAt - line.begin());
    const std::wstring_view name = TrimBlanks(line.substr(0, equals));
    keys_.push_back(IniKey{PlaceOf(name, text), static_cast<std::uint32_t>(name.size()),
                           static_cast<std::uint32_t>(line.data() + line.size() - name.data()),
                           number});
  }
  Index();
}

IniReader::Slots IniReader::ZeroedSlots(std::size_t size) {
  Slots table;
  if (size == 0) return table;
  // calloc rather than a container, which would write every slot: the system
  // hands large blocks over zeroed and untouched. The shared pointer owns it.
  // NOLINTNEXTLINE(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory): see above
  auto* slots = static_cast<std::uint32_t*>(std::calloc(size, sizeof(std::uint32_t)));
  if (slots == nullptr) throw std::bad_alloc();
  // NOLINTNEXTLINE(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory): its owner
  table.slots = std::shared_ptr<std::uint32_t[]>(slots, [](std::uint32_t* p) { std::free(p); });
  table.size = size;
  return table;
}

void IniReader::Index() {
  sectionSlots_ = ZeroedSlots(TableSize(sections_.size()));
  const Group allSections{0, static_cast<std::uint32_t>(sections_.size())};
  EnterAll(sectionSlots_.all(), std::span(sections_), text_->data(), [&] { return allSections; });

  keySlots_ = ZeroedSlots(TableSize(keys_.size()));
  // The keys come section by section, each after the last section before it.
  // While they go in, no key of a later section is in the table yet, so a
  // group need not end.
  Group group{0, std::numeric_limits<std::uint32_t>::max()};
  std::size_t next = 0;  // the first section after the key
  EnterAll(keySlots_.all(), std::span(keys_), text_->data(), [&, key = std::uint32_t{0}]() mutable {
    const std::size_t before = next;
    while (next < sections_.size() && sections_[next].line < keys_[key].line) ++next;
    if (next != before) group.first = key;  // the key opens a section's keys
    ++key;
    return group;
  });
}

std::pair<std::uint32_t, std::uint32_t> IniReader::KeyRange(const IniSection& section) const {
  const auto firstAfter = [&](std::uint32_t line) {
    return static_cast<std::uint32_t>(
        std::partition_point(keys_.begin(), keys_.end(),
                             [line](const IniKey& key) { return key.line < line; }) -
        keys_.begin());
  };
  const auto next = static_cast<std::size_t>(&section - sections_.data()) + 1;
  return {firstAfter(section.line), next < sections_.size()
                                        ? firstAfter(sections_[next].line)
                                        : static_cast<std::uint32_t>(keys_.size())};
}

std::wstring_view IniReader::Value(const IniKey& key) const {
  // The value follows the '=' after the name (only blanks lie between).
  const std::wstring_view rest(text_->data() + key.nameAt, key.lineSize);
  return RemoveQuotePair(TrimBlanks(rest.substr(rest.find(L'=', key.nameSize) + 1)));
}

bool IniReader::SameLetters(std::wstring_view a, std::wstring_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](wchar_t x, wchar_t y) { return FoldCase(x) == FoldCase(y); });
}

const IniSection* IniReader::FindSection(std::wstring_view name) const {
  if (sections_.empty()) return nullptr;  // a missing file has no text either
  return HeldBy(std::span<const std::uint32_t>(sectionSlots_.all()), std::span(sections_),
                text_->data(), name, Group{0, static_cast<std::uint32_t>(sections_.size())});
}

std::span<const IniKey> IniReader::Keys(const IniSection& section) const {
  const auto [first, last] = KeyRange(section);
  return std::span(keys_).subspan(first, last - first);
}

const IniKey* IniReader::FindKey(const IniSection& section, std::wstring_view name) const {
  const auto [first, last] = KeyRange(section);
  return HeldBy(std::span<const std::uint32_t>(keySlots_.all()), std::span(keys_), text_->data(),
                name, Group{first, last});
}

std::uint32_t IniReader::SectionNames(wchar_t* buffer, std::uint32_t size) const {
  if (size == 0) return 0;
  // The launcher asks once a run, and perinax-explain runs it for every case:
  // the list for the size last asked is kept, as sections without a name can
  // make it a walk through the whole file.
  std::wstring& list = namesListed_.list;
  if (namesListed_.size != size) {
    list.clear();
    for (const IniSection& section : sections_) {
      if (section.nameSize == 0) continue;
      list += Name(section);
      list.push_back(L'\0');
      // Past size characters the list is cut anyway: a file of a hundred
      // thousand sections costs no more than one that fills the buffer.
      if (list.size() >= size) break;
    }
    namesListed_.size = size;
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
      const std::wstring_view value = Value(*entry);
      return CopyCut(value.substr(0, LengthRead(value)), buffer, size);
    }
  }
  std::wstring_view fallback = defaultText != nullptr ? defaultText : L"";
  while (!fallback.empty() && fallback.back() == L' ') fallback.remove_suffix(1);
  return CopyCut(fallback, buffer, size);
}
