#include "tools/explain/explainer.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <system_error>

#include "app/config_phase.h"
#include "common/launcher_state.h"
#include "common/os_version_code.h"
#include "common/text.h"
#include "launch/setup_runner.h"
#include "registry/registry_marker.h"
#include "settings/ini_settings.h"
#include "tools/explain/utf.h"

namespace {

// What each key read is for, so that its value can be checked and a missing
// one explained. The keys themselves, and their order, come from the run.
enum class Role { kProgram, kPath, kName, kValue };
struct KeyRole {
  const wchar_t* key;
  Role role;
  std::uint32_t architecture;  // the architecture whose target it belongs to
};
constexpr std::uint32_t kAnyArchitecture = 0xFFFF;
constexpr KeyRole kRoles[] = {
    {L"SetupFile", Role::kProgram, kAnyArchitecture},
    {L"RegPath32KeyPath", Role::kPath, kArchitectureX86},
    {L"RegPath32KeyName", Role::kName, kArchitectureX86},
    {L"RegPath32KeyValue", Role::kValue, kArchitectureX86},
    {L"RegPath64KeyPath", Role::kPath, kArchitectureX64},
    {L"RegPath64KeyName", Role::kName, kArchitectureX64},
    {L"RegPath64KeyValue", Role::kValue, kArchitectureX64},
};

const KeyRole* RoleOf(std::wstring_view key) {
  for (const KeyRole& role : kRoles) {
    if (IniReader::SameName(role.key, key)) return &role;
  }
  return nullptr;
}

constexpr wchar_t kCheckLinePrefix[] = L"CheckINISection ";
constexpr wchar_t kWow6432Node[] = L"Wow6432Node\\";

std::wstring Lower(std::wstring_view text) {
  std::wstring lower(text);
  for (wchar_t& c : lower) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return lower;
}

// A section name reduced to what an author means by it: "Windows 8.1",
// "WIN8_1" and "win81" all become "win81".
std::wstring Gist(std::wstring_view name) {
  std::wstring gist;
  for (wchar_t c : name) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if ((c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9')) gist.push_back(c);
  }
  if (gist.starts_with(L"windows")) gist.replace(0, 7, L"win");
  return gist;
}

// Edits (insert, delete, change, swap of neighbours) from one text to the other,
// letter case aside.
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
  return std::wstring(text, text + std::char_traits<char>::length(text));
}

std::wstring Hex(std::uint32_t value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08X", static_cast<unsigned>(value));
  return text;
}

std::wstring Stored(std::uint32_t value) {
  return Hex(value) + L" (" + std::to_wstring(value) + L")";
}

std::wstring CaseNames(const std::vector<const CasePlan*>& plans) {
  std::wstring names;
  for (const CasePlan* plan : plans) {
    if (!names.empty()) names += L", ";
    names += Widen(plan->spec->name);
  }
  return names;
}

// Finds `needle` case-insensitively (ASCII letters) from `from` on.
std::size_t FindFolded(std::wstring_view text, std::wstring_view needle, std::size_t from = 0) {
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

CasePlan RunCase(const ExplainCase& spec, const IniReader& ini, const std::filesystem::path& folder,
                 const std::wstring& file, const std::wstring& args) {
  CasePlan plan;
  plan.spec = &spec;
  LauncherState state;
  PlanningProfile profile(ini);
  PlanningOsProbe probe(spec.version, spec.architecture);
  PlanningRegistry registry;
  PlanningTrace trace;
  ConfigPlatform platform{profile, probe, registry, trace};
  static_cast<void>(LoadINIFile(state, platform));
  plan.phase = trace.lines;
  // The second line is the INI path the launcher built in the stand-in folder;
  // run from FILE's folder, it would be FILE's own path.
  if (plan.phase.size() > 1) plan.phase[1] = file;

  PlanningShell shell(folder);
  trace.lines.clear();
  static_cast<void>(RunSetupCmd(state.settings, shell, trace, args.c_str()));
  plan.launch = trace.lines;

  plan.section = profile.sectionRead().value_or(L"");
  plan.keysRead = profile.keysRead();
  plan.settings = state.settings;
  plan.write = registry.written();
  plan.keyRefused = registry.refused();
  if (plan.write) plan.view = (plan.write->access & kRegView64Key) != 0 ? 64 : 32;
  plan.started = shell.file();
  if (plan.started) {
    if (const auto local = LocalPathOf(folder, *plan.started)) {
      std::error_code error;
      plan.startedFound = std::filesystem::exists(*local, error);
    }
  }
  return plan;
}

// Everything the checks need to know about the runs.
class Checker {
 public:
  Checker(const IniReader& ini, const std::filesystem::path& folder,
          const std::vector<CasePlan>& plans)
      : ini_(ini), folder_(folder) {
    // Every case reads the same keys, in the launcher's order.
    if (!plans.empty()) keysRead_ = plans.front().keysRead;
    for (const CasePlan& plan : plans) {
      for (const std::wstring& line : plan.phase) {
        if (line.starts_with(kCheckLinePrefix)) {
          const std::wstring candidate = line.substr(std::size(kCheckLinePrefix) - 1);
          if (std::find(candidates_.begin(), candidates_.end(), candidate) == candidates_.end()) {
            candidates_.push_back(candidate);
            candidateGists_.push_back(Gist(candidate));
          }
          candidateCases_[candidate].push_back(&plan);
        }
      }
      readers_[plan.section].push_back(&plan);
      // The section read when no version section applies: what the probe's
      // failure leads to.
      if (plan.spec->windows == nullptr) fallback_ = plan.section;
    }
  }

  std::vector<Warning> Run() {
    CheckEncoding();
    CheckLinesBeforeSection();
    CheckSectionList();
    if (ini_.FindSection(fallback_) == nullptr) NoFallback();
    for (const IniSection& section : ini_.sections()) CheckSection(section);
    AddLeftOut();
    std::stable_sort(warnings_.begin(), warnings_.end(),
                     [](const Warning& a, const Warning& b) { return a.line < b.line; });
    return std::move(warnings_);
  }

 private:
  // Keeps the first kWarningsPerCode warnings of a code, in the order they are
  // found (the order of the file), and counts the rest.
  void Add(std::uint32_t line, const char* code, std::wstring message) {
    if (Full(code, line)) return;
    ++tallies_[code].kept;
    warnings_.push_back(Warning{line == 0 ? 1 : line, code, std::move(message)});
  }

  // True, and the warning counted as left out, when the code has no room left:
  // checks that run once a line ask first, so that a file of a million bad
  // lines does not build a million messages.
  bool Full(const char* code, std::uint32_t line) {
    Tally& tally = tallies_[code];
    if (tally.kept < kWarningsPerCode) return false;
    if (tally.leftOut++ == 0) tally.firstLeftOut = line;
    return true;
  }

  void AddLeftOut() {
    for (const auto& [code, tally] : tallies_) {
      if (tally.leftOut == 0) continue;
      warnings_.push_back(Warning{tally.firstLeftOut, code,
                                  std::to_wstring(tally.leftOut) +
                                      L" more warnings of this kind from here on are left out"});
    }
  }

  const std::vector<const CasePlan*>& Readers(const std::wstring& name) const {
    static const std::vector<const CasePlan*> none;
    for (const auto& [section, plans] : readers_) {
      if (IniReader::SameName(section, name)) return plans;
    }
    return none;
  }

  // The section that the cases of a version section read instead of it.
  std::wstring ReadInstead(const std::wstring& candidate) const {
    const auto found = candidateCases_.find(candidate);
    if (found == candidateCases_.end() || found->second.empty()) return fallback_;
    return found->second.front()->section;
  }

  void CheckEncoding() {
    const IniOddities& odd = ini_.oddities();
    switch (odd.encoding) {
      case IniEncoding::kUtf8Mark: {
        std::wstring lost;
        const auto& sections = ini_.sections();
        if (odd.linesBeforeSection.empty() || odd.linesBeforeSection.front() != 1) {
          lost = L"line 1 is blank or a comment, so nothing is lost yet, but any text put there is";
        } else {
          lost = L"the text on line 1 no longer starts with its first character";
          if (sections.empty() || sections.front().line != 1) {
            lost +=
                L" (a section header there is not seen, and the keys after it belong to "
                L"no section)";
          }
        }
        Add(1, "encoding",
            L"the file starts with a UTF-8 byte-order mark, which Windows does not recognise: it "
            L"reads the three bytes as text, so " +
                lost +
                L" (Wine recognises the mark; Windows is what counts); save the file as ANSI or "
                L"as UTF-16LE with a byte-order mark");
        break;
      }
      case IniEncoding::kUtf16BeMark:
        Add(1, "encoding",
            L"the file starts with a UTF-16 big-endian byte-order mark, which Windows does not "
            L"understand: it reads the file as ANSI text and finds no setting in it; save it as "
            L"UTF-16LE with a byte-order mark (or as ANSI)");
        return;
      case IniEncoding::kAnsi:
      case IniEncoding::kUtf16Le:
        break;
    }
    if (!odd.nulLines.empty()) {
      Add(odd.nulLines.front(), "encoding",
          std::to_wstring(odd.nulLines.size()) +
              L" line(s) hold NUL bytes: this is probably not a text file, or one saved as "
              L"UTF-16 without its byte-order mark; Windows reads it as ANSI text");
    }
    std::vector<std::uint32_t> lines = odd.nonAsciiLines;
    if (odd.encoding == IniEncoding::kUtf8Mark && !lines.empty() && lines.front() == 1) {
      lines.erase(lines.begin());  // the mark itself, reported above
    }
    if (!lines.empty()) {
      Add(lines.front(), "encoding",
          std::to_wstring(lines.size()) +
              L" line(s) hold characters beyond ASCII; without a byte-order mark Windows reads "
              L"them through the ANSI code page of the target machine, which differs from "
              L"country to country (UTF-8 text turns into other characters); save the file as "
              L"UTF-16LE with a byte-order mark");
    }
  }

  void CheckLinesBeforeSection() {
    const std::vector<std::uint32_t>& lines = ini_.oddities().linesBeforeSection;
    if (lines.empty()) return;
    const bool one = lines.size() == 1;
    const std::wstring what = one ? L"this line comes before the first section; no section owns "
                                    L"it, so Windows ignores it"
                                  : std::to_wstring(lines.size()) + L" lines (" +
                                        std::to_wstring(lines.front()) + L" to " +
                                        std::to_wstring(lines.back()) +
                                        L") come before the first section; no section owns "
                                        L"them, so Windows ignores them";
    Add(lines.front(), "keys-before-section",
        what + L"; move into a section what should be read, and make the rest comments with ';'");
  }

  // A version section is only chosen when its name is in the list of section
  // names Perinax reads, which holds kSectionNamesChars characters.
  void CheckSectionList() {
    std::vector<wchar_t> names(kSectionNamesChars, L'\0');
    ini_.SectionNames(names.data(), static_cast<std::uint32_t>(names.size()));
    std::size_t at = 0;
    bool cut = false;
    for (const IniSection& section : ini_.sections()) {
      if (section.name.empty()) continue;
      if (!cut) {
        const std::wstring listed(&names[at]);
        if (at < names.size() - 2 && listed == section.name) {
          at += listed.size() + 1;
          continue;
        }
        cut = true;
      }
      if (section.repeated ||
          std::find(candidates_.begin(), candidates_.end(), section.name) == candidates_.end()) {
        continue;
      }
      pastList_.push_back(&section);
      Add(section.line, "section-list",
          Bracketed(section.name) + L" lies past the first " + std::to_wstring(kSectionNamesChars) +
              L" characters of section names that Perinax looks through, so it is never "
              L"chosen: " +
              CaseNames(candidateCases_[section.name]) + L" read " +
              Bracketed(ReadInstead(section.name)) +
              L" instead; move it near the top of the file or remove unused sections");
    }
  }

  void NoFallback() {
    Add(1, "no-default",
        L"there is no " + Bracketed(fallback_) + L" section, which " +
            CaseNames(Readers(fallback_)) +
            L" read: there every setting is missing (\"Unknow\"), nothing is written and the "
            L"start fails with exit code 1603; add a " +
            Bracketed(fallback_) + L" section with all seven keys");
  }

  void CheckSection(const IniSection& section) {
    if (section.repeated) {
      if (Full("duplicate-section", section.line)) return;
      const IniSection* first = ini_.FindSection(section.name);
      Add(section.line, "duplicate-section",
          Bracketed(section.name) + L" appears again (first on line " +
              std::to_wstring(first->line) +
              L"): Windows reads only the first, so the keys here are never read; merge the "
              L"two");
      return;
    }
    const std::vector<const CasePlan*>& readers = Readers(section.name);
    if (!readers.empty()) {
      CheckKeys(section, readers);
      return;
    }
    if (std::find(pastList_.begin(), pastList_.end(), &section) != pastList_.end()) return;
    if (section.name.empty()) {
      Add(section.line, "unused-section",
          L"a section without a name is never read; give it one of the names Perinax reads");
      return;
    }
    const std::wstring gist = Gist(section.name);
    for (std::size_t i = 0; i < candidates_.size(); ++i) {
      const std::wstring& candidate = candidates_[i];
      if (IniReader::SameName(section.name, candidate) || gist == candidateGists_[i]) {
        if (Full("section-case", section.line)) return;
        Add(section.line, "section-case",
            Bracketed(section.name) + L" is never chosen: Perinax looks for " +
                Bracketed(candidate) + L" with exactly that spelling and case, so " +
                CaseNames(candidateCases_[candidate]) + L" read " +
                Bracketed(ReadInstead(candidate)) + L" instead; rename it " + Bracketed(candidate));
        return;
      }
    }
    if (Full("unused-section", section.line)) return;
    std::wstring hint;
    if (gist == L"win10" || gist == L"win11" || gist == L"win100") {
      hint = L" (Windows 10 and 11 read " + Bracketed(fallback_) + L")";
    } else if (EditDistance(section.name, fallback_) <= 2) {
      hint = L"; did you mean " + Bracketed(fallback_) + L"?";
    }
    std::wstring known;
    for (const std::wstring& candidate : candidates_) {
      known += (known.empty() ? L"" : L", ") + Bracketed(candidate);
    }
    Add(section.line, "unused-section",
        Bracketed(section.name) + L" is never read: Perinax reads only " + known + L" and " +
            Bracketed(fallback_) + hint);
  }

  void CheckKeys(const IniSection& section, const std::vector<const CasePlan*>& readers) {
    const std::vector<std::wstring>& keys = keysRead_;
    for (const IniKey& key : section.keys) {
      const auto known = std::find_if(keys.begin(), keys.end(), [&](const std::wstring& k) {
        return IniReader::SameName(k, key.name);
      });
      if (known == keys.end()) {
        UnknownKey(section, key);
        continue;
      }
      if (key.repeated) {
        if (Full("duplicate-key", key.line)) continue;
        const IniKey* first = IniReader::FindKey(section, key.name);
        Add(key.line, "duplicate-key",
            Shown(key.name) + L" appears again in " + Bracketed(section.name) +
                L" (first on line " + std::to_wstring(first->line) +
                L"): only the first counts; remove one");
        continue;
      }
      CheckValue(section, key, readers);
    }
    for (const std::wstring& name : keys) {
      if (IniReader::FindKey(section, name) == nullptr) MissingKey(section, name, readers);
    }
  }

  void UnknownKey(const IniSection& section, const IniKey& key) {
    if (Full("unknown-key", key.line)) return;
    std::wstring hint;
    std::size_t best = 3;
    for (const std::wstring& name : keysRead_) {
      const std::size_t distance = EditDistance(key.name, name);
      if (distance < best) {
        best = distance;
        hint = L"; did you mean " + name + L"?";
      }
    }
    Add(key.line, "unknown-key",
        Shown(key.name) + L" in " + Bracketed(section.name) + L" is a key Perinax never reads" +
            hint);
  }

  std::vector<const CasePlan*> ForArchitecture(const std::vector<const CasePlan*>& readers,
                                               std::uint32_t architecture) const {
    std::vector<const CasePlan*> chosen;
    for (const CasePlan* plan : readers) {
      if (plan->spec->windows == nullptr && architecture != kAnyArchitecture) continue;
      if (architecture == kAnyArchitecture || plan->spec->architecture == architecture) {
        chosen.push_back(plan);
      }
    }
    return chosen;
  }

  void MissingKey(const IniSection& section, const std::wstring& name,
                  const std::vector<const CasePlan*>& readers) {
    const KeyRole* role = RoleOf(name);
    const std::vector<const CasePlan*> affected =
        ForArchitecture(readers, role != nullptr ? role->architecture : kAnyArchitecture);
    if (affected.empty()) return;
    std::wstring effect;
    if (role == nullptr) {
      effect = L"it reads as \"Unknow\"";
    } else if (role->role == Role::kProgram) {
      effect = L"the shell is asked to start \"Unknow\", which fails: exit code 1603";
    } else if (role->role == Role::kValue) {
      effect = L"the value text reads as \"Unknow\", which stores 0";
    } else {
      effect = L"nothing is written";
    }
    Add(section.line, "missing-key",
        Bracketed(section.name) + L" has no " + name + L": on " + CaseNames(affected) + L" " +
            effect + L"; add the key (keys are not taken from another section)");
  }

  // The value as the launcher reads it: cut to its buffer.
  std::wstring ValueRead(const IniSection& section, const IniKey& key) const {
    wchar_t buffer[kSettingChars] = {};
    ini_.GetString(section.name.c_str(), key.name.c_str(), L"", buffer, kSettingChars);
    return buffer;
  }

  void CheckValue(const IniSection& section, const IniKey& key,
                  const std::vector<const CasePlan*>& readers) {
    const std::wstring value = ValueRead(section, key);
    const std::size_t length = IniReader::LengthRead(key.value);
    if (length != key.value.size()) {
      Add(key.line, "long-value",
          Shown(key.name) + L" holds " + std::to_wstring(key.value.size()) +
              L" characters; Windows keeps a value's length in 16 bits, so it reads only " +
              std::to_wstring(std::min<std::size_t>(length, kSettingChars - 1)) +
              L" of them; shorten it");
    } else if (length > kSettingChars - 1) {
      Add(key.line, "long-value",
          Shown(key.name) + L" holds " + std::to_wstring(length) +
              L" characters; Perinax reads the first " + std::to_wstring(kSettingChars - 1) +
              L", ending in " +
              Quoted(value.substr(value.size() - std::min<std::size_t>(value.size(), 20))) +
              L"; shorten it");
    }
    for (const std::wstring_view comment : {L" ;", L"\t;"}) {
      if (value.find(comment) != std::wstring::npos) {
        Add(key.line, "inline-comment",
            Shown(key.name) + L" holds " + Quoted(value) +
                L": there are no end-of-line comments in an INI file, so all of it is the "
                L"value; put the comment on a line of its own that starts with ';'");
        break;
      }
    }
    const KeyRole* role = RoleOf(key.name);
    if (role == nullptr) return;
    switch (role->role) {
      case Role::kValue:
        CheckNumber(key, value);
        break;
      case Role::kPath:
        CheckKeyPath(key, value, role->architecture, readers);
        break;
      case Role::kProgram:
        CheckSetupFile(key, value);
        break;
      case Role::kName:
        break;
    }
  }

  void CheckNumber(const IniKey& key, const std::wstring& value) {
    const std::uint32_t stored = RegValueFromText(value.c_str());
    std::size_t at = 0;
    while (at < value.size() && IsNumberBlank(value[at])) ++at;
    const bool negative = at < value.size() && value[at] == L'-';
    if (at < value.size() && (value[at] == L'+' || value[at] == L'-')) ++at;
    const std::size_t digits = at;
    while (at < value.size() && value[at] >= L'0' && value[at] <= L'9') ++at;
    const std::wstring number = value.substr(digits, at - digits);
    const std::wstring rest = value.substr(at);
    const std::wstring prefix = Shown(key.name) + L"=" + Shown(value) + L" ";

    if (number.empty()) {
      Add(key.line, "value-number",
          prefix +
              L"has no digits where the number should start, so it stores 0; write the "
              L"number in decimal");
      return;
    }
    if (number == L"0" && (rest.starts_with(L"x") || rest.starts_with(L"X"))) {
      std::wstring decimal;
      const std::wstring hex = rest.substr(1);
      if (!hex.empty() && hex.size() <= 8 &&
          std::all_of(hex.begin(), hex.end(), [](wchar_t c) { return std::iswxdigit(c); })) {
        decimal = L" (" + std::to_wstring(std::stoul(Utf8Digits(hex), nullptr, 16)) + L")";
      }
      Add(key.line, "value-number",
          prefix +
              L"is hexadecimal, which Perinax does not read: it stores 0; write the number "
              L"in decimal" +
              decimal);
      return;
    }
    std::wstring significant =
        number.substr(std::min(number.find_first_not_of(L'0'), number.size()));
    const std::wstring limit = negative ? L"2147483648" : L"4294967295";
    if (significant.size() > limit.size() ||
        (significant.size() == limit.size() && significant > limit)) {
      Add(key.line, "value-number",
          prefix + L"is out of the range of a DWORD (-2147483648 to 4294967295): it stores " +
              Stored(stored) + L"; write a number in that range");
      return;
    }
    if (!rest.empty()) {
      Add(key.line, "value-number",
          prefix + L"has text after the number, which is passed over: it stores " + Stored(stored) +
              L"; remove the text");
    }
  }

  static std::string Utf8Digits(const std::wstring& digits) {
    return std::string(digits.begin(), digits.end());
  }

  void CheckKeyPath(const IniKey& key, const std::wstring& path, std::uint32_t architecture,
                    const std::vector<const CasePlan*>& readers) {
    const std::wstring prefix = Shown(key.name) + L"=" + Shown(path) + L" ";
    if (path.empty()) {
      Add(key.line, "key-path",
          prefix +
              L"is empty: nothing is written; give the key path below "
              L"HKEY_LOCAL_MACHINE, such as SOFTWARE\\Vendor\\Product");
      return;
    }
    for (const std::wstring_view root :
         {L"HKLM\\", L"HKEY_LOCAL_MACHINE\\", L"HKCU\\", L"HKEY_CURRENT_USER\\", L"HKCR\\",
          L"HKEY_CLASSES_ROOT\\", L"HKU\\", L"HKEY_USERS\\"}) {
      if (FindFolded(path, root) == 0) {
        Add(key.line, "key-path",
            prefix +
                L"names a root key, but the path is always taken below "
                L"HKEY_LOCAL_MACHINE: this creates HKLM\\" +
                Shown(path) + L"; write the path without " + std::wstring(root));
        return;
      }
    }
    if (path.front() == L'\\') {
      Add(key.line, "key-path",
          prefix +
              L"starts with a backslash, which the registry refuses: nothing is written; "
              L"remove the leading backslash");
      return;
    }
    if (path.find(L'/') != std::wstring::npos) {
      Add(key.line, "key-path",
          prefix +
              L"holds a forward slash, which is part of a key's name, not a separator: "
              L"the key is named literally; use backslashes");
    }
    const std::size_t exact = CountOf(path, kWow6432Node);
    const std::size_t any = CountOf(Lower(path), Lower(kWow6432Node));
    if (architecture != kArchitectureX64) {
      if (any > 0) {
        Add(key.line, "key-path",
            prefix +
                L"holds Wow6432Node\\, which is the 64-bit registry's folder for 32-bit "
                L"programs: 32-bit Windows has none, so a key of that name is created; "
                L"remove it from the 32-bit path");
      }
      return;
    }
    if (exact < any) {
      Add(key.line, "key-path",
          prefix +
              L"spells Wow6432Node\\ in another case, which is not recognised: the path "
              L"is used as written, in the 64-bit view (which Windows maps to the same "
              L"32-bit storage); spell it Wow6432Node\\ exactly");
    } else if (exact > 1) {
      std::wstring used;
      for (const CasePlan* plan : ForArchitecture(readers, kArchitectureX64)) {
        if (plan->write) {
          used = L" (" + plan->write->key + L" is written)";
          break;
        }
      }
      Add(key.line, "key-path",
          prefix + L"holds Wow6432Node\\ more than once: only the first is removed" + used +
              L"; name it once");
    }
  }

  void CheckSetupFile(const IniKey& key, const std::wstring& file) {
    const std::wstring prefix = Shown(key.name) + L"=" + Shown(file) + L" ";
    if (file.empty()) {
      Add(key.line, "setup-file",
          prefix +
              L"is empty: nothing is started and the exit code is 1603; name the setup "
              L"program");
      return;
    }
    // Arguments written after the program's name: "setup.exe /q" or "\"a b.exe\" /q".
    const std::size_t blank = file.find_first_of(L" \t");
    const std::size_t closing = file.front() == L'"' ? file.find(L'"', 1) : std::wstring::npos;
    bool arguments = closing != std::wstring::npos && closing + 1 < file.size();
    if (!arguments && blank != std::wstring::npos) {
      const std::wstring first = Lower(file.substr(0, blank));
      for (const std::wstring_view extension : {L".exe", L".msi", L".bat", L".cmd", L".com"}) {
        arguments = arguments || first.ends_with(extension);
      }
    }
    if (arguments) {
      Add(key.line, "setup-file",
          prefix +
              L"holds arguments after the program's name, but the whole text names one "
              L"file, which does not exist: the start fails with 1603; name only the "
              L"program (its arguments are the ones Perinax is started with)");
      return;
    }
    const std::optional<std::filesystem::path> local = LocalPathOf(folder_, file);
    if (!local) return;  // a drive or network path of the target machine
    std::error_code error;
    if (std::filesystem::is_directory(*local, error)) {
      Add(key.line, "setup-file",
          prefix +
              L"names a folder: nothing is started and the exit code is 1603; name the "
              L"setup program inside it");
      return;
    }
    if (std::filesystem::exists(*local, error)) return;
    const bool folderPart = file.find_first_of(L"\\/:") != std::wstring::npos;
    Add(key.line, "setup-file",
        prefix + L"is not beside the INI file" +
            (folderPart ? std::wstring(L"")
                        : std::wstring(L"; having no folder part, it is also searched for on the "
                                       L"PATH and in App Paths, so another program of that name "
                                       L"may start")) +
            L"; where it is missing the start fails with 1603; ship it beside Perinax.ini or "
            L"give its path");
  }

  const IniReader& ini_;
  std::filesystem::path folder_;
  std::vector<std::wstring> candidates_;  // the version sections, in case order
  std::vector<std::wstring> candidateGists_;
  std::map<std::wstring, std::vector<const CasePlan*>> candidateCases_;
  std::map<std::wstring, std::vector<const CasePlan*>> readers_;
  std::wstring fallback_;
  std::vector<std::wstring> keysRead_;
  std::vector<const IniSection*> pastList_;
  struct Tally {
    std::size_t kept = 0;
    std::size_t leftOut = 0;
    std::uint32_t firstLeftOut = 0;
  };
  std::map<std::string, Tally> tallies_;
  std::vector<Warning> warnings_;
};

}  // namespace

const std::vector<ExplainCase>& ExplainCases() {
  static const std::vector<ExplainCase> cases = {
      {"vista-x86", L"6.0.6002", 0, "6.0", "x86", L"Windows Vista"},
      {"vista-x64", L"6.0.6002", 9, "6.0", "x64", L"Windows Vista"},
      {"win7-x86", L"6.1.7601", 0, "6.1", "x86", L"Windows 7"},
      {"win7-x64", L"6.1.7601", 9, "6.1", "x64", L"Windows 7"},
      {"win8-x86", L"6.2.9200", 0, "6.2", "x86", L"Windows 8"},
      {"win8-x64", L"6.2.9200", 9, "6.2", "x64", L"Windows 8"},
      {"win81-x86", L"6.3.9600", 0, "6.3", "x86", L"Windows 8.1"},
      {"win81-x64", L"6.3.9600", 9, "6.3", "x64", L"Windows 8.1"},
      {"win10-x86", L"10.0.19045", 0, "10.0", "x86", L"Windows 10 and 11"},
      {"win10-x64", L"10.0.19045", 9, "10.0", "x64", L"Windows 10 and 11"},
      {"probe-failed", L"", 0, nullptr, nullptr, L"version not readable"},
  };
  return cases;
}

const ExplainCase* FindExplainCase(std::string_view name) {
  for (const ExplainCase& spec : ExplainCases()) {
    if (name == spec.name) return &spec;
  }
  return nullptr;
}

Explanation Explain(const IniReader& ini, const std::filesystem::path& folder,
                    const std::wstring& file, const std::wstring& args) {
  Explanation explanation;
  explanation.file = file;
  for (const ExplainCase& spec : ExplainCases()) {
    explanation.cases.push_back(RunCase(spec, ini, folder, file, args));
  }
  explanation.warnings = Checker(ini, folder, explanation.cases).Run();
  return explanation;
}
