#include "tools/explain/checks/checker.h"

#include <algorithm>

#include "common/os_version_code.h"
#include "tools/explain/checks/wording.h"

CheckerFindings RunChecks(const IniReader& ini, const std::wstring& file,
                          const std::optional<std::filesystem::path>& folder,
                          const std::vector<CasePlan>& plans) {
  Checker checker(ini, folder, plans);
  CheckFileName(checker, file);
  CheckEncoding(checker);
  CheckLinesBeforeSection(checker);
  const std::vector<const IniSection*> pastList = CheckSectionList(checker);
  CheckSections(checker, pastList);
  return checker.Finish();
}

const IniKeySpec* KeyOf(std::wstring_view name) {
  for (const IniKeySpec& key : kIniKeys) {
    if (IniReader::SameName(key.name, name)) return &key;
  }
  return nullptr;
}

Checker::Checker(const IniReader& ini, const std::optional<std::filesystem::path>& folder,
                 const std::vector<CasePlan>& plans)
    : ini_(ini), folder_(folder) {
  // Every case reads the same keys, in the launcher's order.
  if (!plans.empty()) keysRead_ = plans.front().keysRead;
  for (const std::wstring& key : keysRead_) {
    keyReadLengths_ |= key.size() < 64 ? std::uint64_t{1} << key.size() : 0;
  }
  for (const CasePlan& plan : plans) {
    if (plan.versionSection != nullptr) {
      const std::wstring candidate = plan.versionSection;
      auto found = std::find_if(candidateCases_.begin(), candidateCases_.end(),
                                [&](const auto& entry) { return entry.first == candidate; });
      if (found == candidateCases_.end()) {
        candidates_.push_back(candidate);
        candidateGists_.push_back(Gist(candidate));
        found = candidateCases_.insert(candidateCases_.end(), {candidate, {}});
      }
      found->second.push_back(&plan);
    }
    auto reading = std::find_if(readers_.begin(), readers_.end(), [&](const Readership& r) {
      return IniReader::SameName(r.name, plan.section);
    });
    if (reading == readers_.end()) {
      reading = readers_.insert(readers_.end(),
                                Readership{plan.section, ini.FindSection(plan.section), {}});
    }
    reading->plans.push_back(&plan);
    // The section read when no version section applies: what the probe's
    // failure leads to.
    if (plan.spec->windows == nullptr) fallback_ = plan.section;
  }
  for (const Readership& reading : readers_) {
    if (reading.section != nullptr) sectionsRead_.push_back(reading.section);
  }
  // Sections lie in the reader's vector in file order.
  std::sort(sectionsRead_.begin(), sectionsRead_.end());
  sectionsRead_.erase(std::unique(sectionsRead_.begin(), sectionsRead_.end()), sectionsRead_.end());
}

CheckerFindings Checker::Finish() {
  std::vector<LeftOut> leftOut;
  for (const CodeInfo& info : kCatalogue) {
    const Tally& tally = tallies_[static_cast<std::size_t>(info.code)];
    if (tally.leftOut != 0) leftOut.push_back({info.code, tally.leftOut, tally.firstLeftOut});
  }
  // By line alone: findings of one line keep the order they were found in.
  std::stable_sort(findings_.begin(), findings_.end(),
                   [](const Finding& a, const Finding& b) { return a.line() < b.line(); });
  return {std::move(findings_), std::move(leftOut), found_};
}

void Checker::Add(Range where, Code code, std::wstring about, std::wstring message,
                  std::optional<Fix> fix) {
  if (Full(code, where.start.line)) return;
  ++found_;
  ++tallies_[static_cast<std::size_t>(code)].kept;
  if (where.start.line == 0) where = LineStart(1);
  if (unread_ != nullptr) message += L" (" + Bracketed(Name(*unread_)) + L" is not read today)";
  findings_.push_back(Finding{where, code, std::move(about), std::move(message), std::move(fix)});
}

Range Checker::Span(std::uint32_t line, const wchar_t* text, std::wstring_view part) {
  // Only blanks (and a section's '[') lie before a name on its line, so this
  // walks a few units back.
  const auto at = static_cast<std::size_t>(part.data() - text);
  std::size_t lineStart = at;
  while (lineStart > 0 && text[lineStart - 1] != L'\n' && text[lineStart - 1] != L'\r') {
    --lineStart;
  }
  const auto column = static_cast<std::uint32_t>(at - lineStart + 1);
  return {{line, column}, {line, column + static_cast<std::uint32_t>(part.size())}};
}

Range Checker::NameRange(const IniSection& section) const {
  const std::wstring_view name = ini_.Name(section);
  return Span(section.line, name.data() - section.nameAt, name);
}

Range Checker::NameRange(const IniKey& key) const {
  const std::wstring_view name = ini_.Name(key);
  return Span(key.line, name.data() - key.nameAt, name);
}

Range Checker::ValueRange(const IniKey& key) const {
  return Span(key.line, ini_.Name(key).data() - key.nameAt, ini_.Value(key));
}

const std::vector<const CasePlan*>& Checker::CandidateCases(const std::wstring& candidate) const {
  static const std::vector<const CasePlan*> none;
  for (const auto& [name, plans] : candidateCases_) {
    if (name == candidate) return plans;
  }
  return none;
}

const std::vector<const CasePlan*>& Checker::Readers(const IniSection& section) const {
  static const std::vector<const CasePlan*> none;
  for (const Readership& reading : readers_) {
    if (reading.section == &section) return reading.plans;
  }
  return none;
}

const std::vector<const CasePlan*>& Checker::Readers(const std::wstring& name) const {
  static const std::vector<const CasePlan*> none;
  for (const Readership& reading : readers_) {
    if (IniReader::SameName(reading.name, name)) return reading.plans;
  }
  return none;
}

std::wstring Checker::ReadInstead(const std::wstring& candidate) const {
  const std::vector<const CasePlan*>& plans = CandidateCases(candidate);
  return plans.empty() ? fallback_ : plans.front()->section;
}

std::vector<const CasePlan*> Checker::ForArchitecture(const std::vector<const CasePlan*>& readers,
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

KeyWarnings::KeyWarnings(Checker& checker, Code code, const IniKey& key, const std::wstring& about,
                         std::wstring_view value)
    : checker_(checker),
      code_(code),
      key_(key),
      about_(about),
      prefix_(Shown(checker.Name(key)) + L"=" + Shown(value) + L" ") {}

void KeyWarnings::operator()(const std::wstring& text, std::optional<Fix> fix) const {
  checker_.Add(checker_.ValueRange(key_), code_, about_, prefix_ + text, std::move(fix));
}
