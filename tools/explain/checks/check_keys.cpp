// The keys of a section some case reads: names Perinax never reads, repeats,
// keys missing, and each value as the launcher will use it.

#include <algorithm>
#include <charconv>
#include <cwctype>
#include <optional>
#include <string>

#include "common/os_version_code.h"
#include "common/text.h"
#include "registry/registry_marker.h"
#include "tools/explain/checks/checker.h"
#include "tools/explain/checks/wording.h"
#include "tools/explain/engine/explainer.h"

namespace {

// The value of up to eight ASCII hexadecimal digits, else none. Not iswxdigit
// nor the runtime's number readers: the Windows runtime also takes the
// full-width digits of a UTF-16 file, which are no number anyone reads, and
// std::stoul throws. Narrowed only when every unit is ASCII.
std::optional<std::uint32_t> AsciiHex(std::wstring_view hex) {
  if (hex.empty() || hex.size() > 8) return std::nullopt;
  std::string narrow;
  for (const wchar_t c : hex) {
    const bool digit =
        (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
    if (!digit) return std::nullopt;
    narrow += static_cast<char>(c);
  }
  std::uint32_t value = 0;
  const auto [end, error] =
      std::from_chars(narrow.data(), narrow.data() + narrow.size(), value, 16);
  if (error != std::errc{} || end != narrow.data() + narrow.size()) return std::nullopt;
  return value;
}

std::wstring About(const Checker& checker, const IniSection& section, std::wstring_view key) {
  return Bracketed(checker.Name(section)) + L" " + Shown(key);
}

void UnknownKey(Checker& checker, const IniSection& section, const IniKey& key) {
  if (checker.Full(Code::kUnknownKey, key.line)) return;
  std::wstring hint;
  const std::wstring* near = nullptr;
  std::size_t best = 3;
  std::size_t atBest = 0;  // how many keys lie that near
  for (const std::wstring& name : checker.keysRead()) {
    const std::size_t distance = EditDistance(checker.Name(key), name);
    if (distance < best) {
      best = distance;
      atBest = 0;
      near = &name;
      hint = L"; did you mean " + name + L"?";
    }
    atBest += distance == best ? 1 : 0;
  }
  // The rename is sure when one key alone is that near and the section does not
  // hold it already.
  std::optional<Fix> fix;
  if (near != nullptr && atBest == 1 && checker.ini().FindKey(section, *near) == nullptr) {
    const Range range = checker.NameRange(key);
    fix = Fix{L"Rename the key " + *near, {{range.start, range.end, *near}}};
  }
  checker.Add(checker.NameRange(key), Code::kUnknownKey, About(checker, section, checker.Name(key)),
              Shown(checker.Name(key)) + L" in " + Bracketed(checker.Name(section)) +
                  L" is a key Perinax never reads" + hint,
              std::move(fix));
}

void MissingKey(Checker& checker, const IniSection& section, const std::wstring& name,
                const std::vector<const CasePlan*>& readers) {
  const IniKeySpec* role = KeyOf(name);
  const std::vector<const CasePlan*> affected =
      checker.ForArchitecture(readers, role != nullptr ? role->architecture : kAnyArchitecture);
  if (affected.empty()) return;
  std::wstring effect;
  if (role == nullptr) {
    effect = L"it reads as \"Unknow\"";
  } else if (role->role == KeyRole::kProgram) {
    effect = L"nothing is started: exit code 1603";
  } else if (role->role == KeyRole::kValue) {
    effect = L"the value text reads as \"Unknow\", which stores 0";
  } else {
    effect = L"nothing is written";
  }
  checker.Add(checker.NameRange(section), Code::kMissingKey, About(checker, section, name),
              Bracketed(checker.Name(section)) + L" has no " + name + L": on " +
                  CaseNames(affected) + L" " + effect +
                  L"; add the key (keys are not taken from another section)");
}

void CheckNumber(Checker& checker, const std::wstring& about, const IniKey& key,
                 const std::wstring& value) {
  const std::uint32_t stored = RegValueFromText(value.c_str());
  std::size_t at = 0;
  while (at < value.size() && IsNumberBlank(value[at])) ++at;
  const bool negative = at < value.size() && value[at] == L'-';
  if (at < value.size() && (value[at] == L'+' || value[at] == L'-')) ++at;
  const std::size_t digits = at;
  while (at < value.size() && value[at] >= L'0' && value[at] <= L'9') ++at;
  const std::wstring number = value.substr(digits, at - digits);
  const std::wstring rest = value.substr(at);
  const KeyWarnings add(checker, Code::kValueNumber, key, about, value);

  if (number.empty()) {
    add(L"has no digits where the number should start, so it stores 0; write the number in "
        L"decimal");
    return;
  }
  if (number == L"0" && (rest.starts_with(L"x") || rest.starts_with(L"X"))) {
    std::wstring decimal;
    std::optional<Fix> fix;
    if (const std::optional<std::uint32_t> read = AsciiHex(rest.substr(1))) {
      decimal = L" (" + std::to_wstring(*read) + L")";
      // Sure only where the value on the line is the value read (no quotes, no
      // blanks about it).
      if (checker.Value(key) == value) {
        const Range range = checker.ValueRange(key);
        fix = Fix{L"Write the value as " + std::to_wstring(*read),
                  {{range.start, range.end, std::to_wstring(*read)}}};
      }
    }
    add(L"is hexadecimal, which Perinax does not read: it stores 0; write the number in "
        L"decimal" +
            decimal,
        std::move(fix));
    return;
  }
  const std::wstring significant =
      number.substr(std::min(number.find_first_not_of(L'0'), number.size()));
  const std::wstring limit = negative ? L"2147483648" : L"4294967295";
  if (significant.size() > limit.size() ||
      (significant.size() == limit.size() && significant > limit)) {
    add(L"is out of the range of a DWORD (-2147483648 to 4294967295): it stores " + Stored(stored) +
        L"; write a number in that range");
    return;
  }
  if (!rest.empty()) {
    add(L"has text after the number, which is passed over: it stores " + Stored(stored) +
        L"; remove the text");
  }
}

// What the cases do with a key path, case by case, grouped by what happens:
// "on vista-x86, win7-x86 this creates HKLM\HKLM\SOFTWARE\V".
std::wstring WhatHappens(const std::vector<const CasePlan*>& plans) {
  std::vector<std::pair<std::wstring, std::vector<const CasePlan*>>> outcomes;
  for (const CasePlan* plan : plans) {
    std::wstring outcome;
    if (plan->write) {
      outcome = L"this creates HKLM\\" + Shown(plan->write->key);
      if (plan->spec->architecture == kArchitectureX64) {
        outcome += plan->view == 64 ? L" in the 64-bit view" : L" in the 32-bit view";
      }
    } else {
      outcome = L"nothing is written (" + NothingWrittenReason(*plan) + L")";
    }
    auto found = std::find_if(outcomes.begin(), outcomes.end(),
                              [&](const auto& entry) { return entry.first == outcome; });
    if (found == outcomes.end()) found = outcomes.insert(outcomes.end(), {outcome, {}});
    found->second.push_back(plan);
  }
  std::wstring text;
  for (const auto& [outcome, cases] : outcomes) {
    text += (text.empty() ? L"on " : L"; on ") + CaseNames(cases) + L" " + outcome;
  }
  return text;
}

void CheckKeyPath(Checker& checker, const std::wstring& about, const IniKey& key,
                  const std::wstring& path, std::uint32_t architecture,
                  const std::vector<const CasePlan*>& readers) {
  const KeyWarnings add(checker, Code::kKeyPath, key, about, path);
  if (path.empty()) return;  // the documented way to write nothing
  for (const std::wstring_view root :
       {L"HKLM\\", L"HKEY_LOCAL_MACHINE\\", L"HKCU\\", L"HKEY_CURRENT_USER\\", L"HKCR\\",
        L"HKEY_CLASSES_ROOT\\", L"HKU\\", L"HKEY_USERS\\"}) {
    if (FindFolded(path, root) != 0) continue;
    const std::vector<const CasePlan*> cases = checker.ForArchitecture(readers, architecture);
    add(L"names a root key, but the path is always taken below HKEY_LOCAL_MACHINE: " +
        (cases.empty() ? L"this creates HKLM\\" + Shown(path) : WhatHappens(cases)) +
        L"; write the path without " + std::wstring(root));
    return;
  }
  if (path.front() == L'\\') {
    add(L"starts with a backslash, which the registry refuses: nothing is written; remove the "
        L"leading backslash");
    return;
  }
  if (path.find(L'/') != std::wstring::npos) {
    add(L"holds a forward slash, which is part of a key's name, not a separator: the key is "
        L"named literally; use backslashes");
  }
  const std::size_t exact = CountOf(path, kWow6432Node);
  const std::size_t any = CountOf(Lower(path), Lower(kWow6432Node));
  if (architecture != kArchitectureX64) {
    if (any > 0) {
      add(L"holds Wow6432Node\\, which is the 64-bit registry's folder for 32-bit programs: "
          L"32-bit Windows has none, so a key of that name is created; remove it from the "
          L"32-bit path");
    }
    return;
  }
  if (exact < any) {
    add(L"spells Wow6432Node\\ in another case, which is not recognised: the path is used as "
        L"written, in the 64-bit view (which Windows maps to the same 32-bit storage); spell it "
        L"Wow6432Node\\ exactly");
  } else if (exact > 1) {
    std::wstring used;
    for (const CasePlan* plan : checker.ForArchitecture(readers, kArchitectureX64)) {
      if (plan->write) {
        used = L" (" + Shown(plan->write->key) + L" is written)";
        break;
      }
    }
    add(L"holds Wow6432Node\\ more than once: only the first is removed" + used +
        L"; name it once");
  }
}

// The value as the launcher reads it: cut to its buffer.
std::wstring ValueRead(const IniReader& ini, const IniSection& section, const IniKey& key) {
  wchar_t buffer[kSettingChars] = {};
  ini.GetString(std::wstring(ini.Name(section)).c_str(), std::wstring(ini.Name(key)).c_str(), L"",
                buffer, kSettingChars);
  return buffer;
}

// The comment moved onto a line of its own above the key, where the value on the
// line is the value read (a quoted one may mean its ';').
std::optional<Fix> CommentFix(const Checker& checker, const IniKey& key,
                              const std::wstring& value) {
  if (checker.Value(key) != value) return std::nullopt;
  const std::size_t semicolon = std::min(value.find(L" ;"), value.find(L"\t;")) + 1;
  const std::size_t keep = value.find_last_not_of(L" \t", semicolon - 1);
  if (keep == std::wstring::npos) return std::nullopt;  // no value before the comment
  const Range range = checker.ValueRange(key);
  const Position cut{range.start.line, range.start.column + static_cast<std::uint32_t>(keep + 1)};
  return Fix{L"Put the comment on a line of its own",
             {{{range.start.line, 1}, {range.start.line, 1}, value.substr(semicolon) + L"\n"},
              {cut, range.end, L""}}};
}

bool IsProgramKey(std::wstring_view name) {
  const IniKeySpec* role = KeyOf(name);
  return role != nullptr && role->role == KeyRole::kProgram;
}

void CheckValue(Checker& checker, const IniSection& section, const IniKey& key,
                const std::vector<const CasePlan*>& readers) {
  const std::wstring about = About(checker, section, checker.Name(key));
  const std::wstring value = ValueRead(checker.ini(), section, key);
  const std::size_t length = IniReader::LengthRead(checker.Value(key));
  if (length != checker.Value(key).size()) {
    checker.Add(checker.ValueRange(key), Code::kLongValue, about,
                Shown(checker.Name(key)) + L" holds " + std::to_wstring(checker.Value(key).size()) +
                    L" characters; Windows keeps a value's length in 16 bits, so it reads only " +
                    std::to_wstring(std::min<std::size_t>(length, kSettingChars - 1)) +
                    L" of them; shorten it");
  } else if (length > kSettingChars - 1 && IsProgramKey(checker.Name(key))) {
    // A cut name could name another program, so Perinax starts none.
    checker.Add(checker.ValueRange(key), Code::kLongValue, about,
                Shown(checker.Name(key)) + L" holds " + std::to_wstring(length) +
                    L" characters, more than the " + std::to_wstring(kSettingChars - 1) +
                    L" Perinax holds: nothing is started and the exit code is 1603; shorten it");
  } else if (length > kSettingChars - 1) {
    checker.Add(checker.ValueRange(key), Code::kLongValue, about,
                Shown(checker.Name(key)) + L" holds " + std::to_wstring(length) +
                    L" characters; Perinax reads the first " + std::to_wstring(kSettingChars - 1) +
                    L", ending in " +
                    Quoted(value.substr(value.size() - std::min<std::size_t>(value.size(), 20))) +
                    L"; shorten it");
  }
  for (const std::wstring_view comment : {L" ;", L"\t;"}) {
    if (value.find(comment) != std::wstring::npos) {
      checker.Add(checker.ValueRange(key), Code::kInlineComment, about,
                  Shown(checker.Name(key)) + L" holds " + Quoted(value) +
                      L": there are no end-of-line comments in an INI file, so all of it is the "
                      L"value; put the comment on a line of its own that starts with ';'",
                  CommentFix(checker, key, value));
      break;
    }
  }
  const IniKeySpec* role = KeyOf(checker.Name(key));
  if (role == nullptr) return;
  switch (role->role) {
    case KeyRole::kValue:
      CheckNumber(checker, about, key, value);
      break;
    case KeyRole::kPath:
      CheckKeyPath(checker, about, key, value, role->architecture, readers);
      break;
    case KeyRole::kProgram:
      CheckSetupFile(checker, about, key, value, readers);
      break;
    case KeyRole::kName:
      break;
  }
}

}  // namespace

void CheckKeys(Checker& checker, const IniSection& section,
               const std::vector<const CasePlan*>& readers) {
  const std::vector<std::wstring>& keys = checker.keysRead();
  // An empty key path is the documented way to write nothing: the name and
  // value beside it are never used, so nothing is said of them.
  auto unused = [&](std::wstring_view name) {
    const IniKeySpec* spec = KeyOf(name);
    if (spec == nullptr || spec->role == KeyRole::kProgram) return false;
    const IniKey* path =
        checker.ini().FindKey(section, TargetKey(KeyRole::kPath, spec->architecture).name);
    return path != nullptr && ValueRead(checker.ini(), section, *path).empty();
  };
  for (const IniKey& key : checker.ini().Keys(section)) {
    if (!checker.IsKeyRead(checker.Name(key))) {
      UnknownKey(checker, section, key);
      continue;
    }
    if (key.repeated) {
      if (checker.Full(Code::kDuplicateKey, key.line)) continue;
      const IniKey* first = checker.ini().FindKey(section, checker.Name(key));
      checker.Add(checker.NameRange(key), Code::kDuplicateKey,
                  About(checker, section, checker.Name(key)),
                  Shown(checker.Name(key)) + L" appears again in " +
                      Bracketed(checker.Name(section)) + L" (first on line " +
                      std::to_wstring(first->line) + L"): only the first counts; remove one");
      continue;
    }
    if (!unused(checker.Name(key))) CheckValue(checker, section, key, readers);
  }
  for (const std::wstring& name : keys) {
    if (checker.ini().FindKey(section, name) == nullptr && !unused(name)) {
      MissingKey(checker, section, name, readers);
    }
  }
}
