// perinax-explain's run: the PATHs one after another, each file explained,
// what a team accepted applied to it, and its text written in every form asked
// for before the next file is read.

#include "tools/explain/cli/command_line.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>

#include "tools/common/utf.h"
#include "tools/explain/cli/accepted.h"
#include "tools/explain/cli/fix_mode.h"
#include "tools/explain/engine/explainer.h"
#include "tools/explain/engine/suppressions.h"
#include "tools/explain/formats/forms.h"
#include "tools/explain/formats/output_forms.h"

namespace {

std::wstring WideOf(const std::filesystem::path& path) {
#ifdef _WIN32
  return path.wstring();
#else
  return Utf16FromUtf8(path.string());
#endif
}

std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.generic_u8string();
  return {text.begin(), text.end()};
}

struct Output {
  std::unique_ptr<FormWriter> writer;
  std::function<void(std::string_view)> write;
  std::unique_ptr<std::ofstream> file;
  std::filesystem::path path;
};

class Run {
 public:
  Run(const std::vector<std::wstring>& arguments, const std::vector<std::filesystem::path>& paths,
      const ExplainStreams& streams)
      : arguments_(arguments), paths_(paths), streams_(streams) {}

  int Go();

 private:
  int Refuse(const std::string& message, bool usage, const OutputForm* form) {
    streams_.err("perinax-explain: " + VisibleText(message) + "\n" + (usage ? Usage() : ""));
    if (form != nullptr && form->failure != nullptr) streams_.out(form->failure(message));
    return kExplainFailed;
  }
  [[nodiscard]] bool Prepare();
  void CheckPath(std::size_t word);
  // A file given by name is checked whatever its name.
  void CheckFile(const std::wstring& shown, const std::filesystem::path& path);
  void CheckBytes(const std::wstring& shown, const std::filesystem::path& path,
                  const std::string& bytes, bool fromInput);
  void Failed(const std::wstring& shown, const std::filesystem::path& path,
              const std::string& reason);
  void Accept(Explanation& explanation, const std::filesystem::path& folder,
              const std::string& machinePath);
  std::string MachinePath(const std::filesystem::path& path) const;

  const std::vector<std::wstring>& arguments_;
  const std::vector<std::filesystem::path>& paths_;
  const ExplainStreams& streams_;
  Options options_;
  const OutputForm* form_ = nullptr;
  bool several_ = false;
  std::vector<Output> outputs_;
  std::optional<Baseline> baseline_;
  std::optional<RcFile> rcfile_;
  RcFinder rcFinder_;
  std::filesystem::path current_;
  RunTotals totals_;
  int fixExit_ = kExplainClean;  // --fix, --diff: the worst of the files'
  // The one file of a run of one, which cannot be read: said as the run's failure.
  std::optional<std::string> onlyFailure_;
};

int Run::Go() {
  ParsedOptions parsed = ParseOptions(arguments_);
  if (!parsed.error.empty()) return Refuse(parsed.error, true, parsed.formSoFar);
  options_ = std::move(parsed.options);
  if (!options_.answer.empty()) {
    streams_.out(options_.answer);
    return kExplainClean;
  }
  form_ = options_.form != nullptr ? options_.form : &OutputForms().front();
  if (!Prepare()) return kExplainFailed;
  for (const std::size_t word : options_.paths) CheckPath(word);
  if (onlyFailure_) return Refuse(*onlyFailure_, false, form_);
  if (options_.fix != FixMode::kNone) return totals_.failed > 0 ? kExplainFailed : fixExit_;
  totals_.exitCode = totals_.failed > 0       ? kExplainFailed
                     : totals_.Findings() > 0 ? kExplainWarnings
                                              : kExplainClean;
  for (Output& output : outputs_) {
    output.write(output.writer->End(totals_));
    if (output.file && !output.file->flush()) {
      streams_.err("perinax-explain: cannot write " + Utf8Of(output.path) + "\n");
      totals_.exitCode = kExplainFailed;
    }
  }
  return totals_.exitCode;
}

bool Run::Prepare() {
  std::error_code error;
  current_ = std::filesystem::current_path(error);
  several_ = options_.paths.size() > 1 ||
             std::filesystem::is_directory(paths_[options_.paths.front()], error);
  if (options_.baseline) {
    Baseline baseline = ReadBaseline(*options_.baseline);
    if (!baseline.error.empty()) {
      static_cast<void>(Refuse(baseline.error, false, form_));
      return false;
    }
    baseline_ = std::move(baseline);
    totals_.baseline = true;
  }
  if (options_.rcfile) {
    rcfile_ = ReadRcFile(*options_.rcfile);
    for (const std::string& problem : rcfile_->problems)
      streams_.err("perinax-explain: " + problem + "\n");
  }
  // --fix and --diff write their own lines instead of a form.
  if (options_.fix != FixMode::kNone) return true;
  outputs_.push_back({form_->make(several_), streams_.out, nullptr, {}});
  for (const auto& [form, path] : options_.outputs) {
    auto file = std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::trunc);
    if (!*file) {
      static_cast<void>(Refuse("cannot write " + Utf8Of(path), false, form_));
      return false;
    }
    std::ofstream* stream = file.get();
    outputs_.push_back({form->make(several_),
                        [stream](std::string_view text) {
                          stream->write(text.data(), static_cast<std::streamsize>(text.size()));
                        },
                        std::move(file), path});
  }
  return true;
}

void Run::CheckPath(std::size_t word) {
  const std::wstring& shown = arguments_[word];
  const std::filesystem::path& path = paths_[word];
  if (shown == L"-") {
    const ReadResult read = streams_.in ? streams_.in() : ReadResult{std::string(), ""};
    if (!read.bytes) return Failed(shown, "-", read.reason);
    return CheckBytes(shown, "-", *read.bytes, true);
  }
  std::error_code error;
  if (!std::filesystem::is_directory(path, error)) return CheckFile(shown, path);
  bool any = false;
  FindIniFiles(
      path,
      [&](const std::filesystem::path& file) {
        any = true;
        CheckFile(WideOf(file), file);
      },
      [&](const std::filesystem::path& folder, const std::string& reason) {
        Failed(WideOf(folder), folder, reason);
      });
  if (!any) streams_.err("perinax-explain: no Perinax.ini below " + Utf8FromUtf16(shown) + "\n");
}

void Run::CheckFile(const std::wstring& shown, const std::filesystem::path& path) {
  const ReadResult read = ReadInput(path);
  if (!read.bytes) return Failed(shown, path, read.reason);
  CheckBytes(shown, path, *read.bytes, false);
}

void Run::Failed(const std::wstring& shown, const std::filesystem::path& path,
                 const std::string& reason) {
  const std::string message = "cannot read " + Utf8FromUtf16(shown) + ": " + reason;
  if (!several_) {
    onlyFailure_ = message;
    return;
  }
  ++totals_.failed;
  streams_.err("perinax-explain: " + VisibleText(message) + "\n");
  const FailedPath failed{shown, MachinePath(path), reason};
  for (Output& output : outputs_) output.write(output.writer->Failed(failed));
}

std::string Run::MachinePath(const std::filesystem::path& path) const {
  if (path == "-") return "-";
  if (path.is_relative()) return Utf8Of(path.lexically_normal());
  const std::filesystem::path below = path.lexically_normal().lexically_relative(current_);
  if (!below.empty() && *below.begin() != "..") return Utf8Of(below);
  return Utf8Of(path.lexically_normal());
}

void Run::CheckBytes(const std::wstring& shown, const std::filesystem::path& path,
                     const std::string& bytes, bool fromInput) {
  std::error_code error;
  std::filesystem::path absolute =
      fromInput ? current_ / "-" : std::filesystem::absolute(path, error);
  if (error) absolute = path;
  absolute = absolute.lexically_normal();
  // Standard input has no folder beside it.
  const std::optional<std::filesystem::path> folder =
      options_.folder && !fromInput ? std::optional(absolute.parent_path()) : std::nullopt;
  const ExplainRequest request{bytes,         fromInput ? std::wstring(L"-") : WideOf(absolute),
                               folder,        options_.args,
                               options_.only, options_.inlineSuppressions};
  std::optional<Explanation> explanation = Explain(request);
  if (!explanation) return Failed(shown, path, "larger than 2 GiB");
  const std::string machinePath = MachinePath(path);
  Accept(*explanation, absolute.parent_path(), machinePath);

  ++totals_.files;
  if (options_.fix != FixMode::kNone) {
    if (fromInput && options_.fix == FixMode::kFix) {
      return Failed(shown, path,
                    "standard input cannot be fixed in place (--diff shows the fixes)");
    }
    const ExplainOutput fixed = RunFixMode(options_.fix, path, shown, bytes, *explanation);
    streams_.out(fixed.out);
    streams_.err(fixed.err);
    fixExit_ = std::max(fixExit_, fixed.exitCode);
    return;
  }
  std::size_t counted = 0;
  for (const Finding& finding : explanation->findings) {
    if (finding.suppression != Suppression::kNone) {
      ++totals_.suppressed;
    } else if (finding.baseline == BaselineState::kUnchanged) {
      ++totals_.unchanged;
    } else {
      ++totals_.byLevel[static_cast<std::size_t>(finding.level())];
      ++counted;
    }
  }
  for (const LeftOut& left : explanation->leftOut) {
    if (!Reported(*explanation, left)) continue;
    totals_.byLevel[static_cast<std::size_t>(InfoOf(left.code).level)] += left.count;
    totals_.leftOut += left.count;
    counted += left.count;
  }
  totals_.filesWithFindings += counted > 0 ? 1 : 0;

  const CheckedFile file{*explanation, shown, machinePath};
  for (Output& output : outputs_) output.write(output.writer->File(file));
  // The text form's trace says nothing of the findings, which still decide the exit code.
  if (form_->make == MakeTextWriter && options_.only != nullptr && !several_ && counted > 0) {
    streams_.err(std::to_string(counted) + (counted == 1 ? " warning" : " warnings") +
                 ": run without --case to see them\n");
  }
}

void Run::Accept(Explanation& explanation, const std::filesystem::path& folder,
                 const std::string& machinePath) {
  CodeSet disabled;
  if (rcfile_) {
    disabled = rcfile_->disabled;
  } else if (!options_.norc) {
    bool fresh = false;
    const std::shared_ptr<const RcFile> rc = rcFinder_.For(folder, fresh);
    if (rc) disabled = rc->disabled;
    if (rc && fresh) {
      for (const std::string& problem : rc->problems)
        streams_.err("perinax-explain: " + problem + "\n");
    }
  }
  for (const auto& [code, off] : options_.codeSwitches)
    disabled.set(static_cast<std::size_t>(code), off);
  ApplyExternalSuppressions(disabled, explanation);
  if (options_.severity) {
    const Level least = *options_.severity;
    std::erase_if(explanation.findings, [&](const Finding& f) { return f.level() < least; });
    std::erase_if(explanation.leftOut,
                  [&](const LeftOut& left) { return InfoOf(left.code).level < least; });
  }
  if (baseline_) {
    const std::vector<std::string> prints = Fingerprints(explanation, machinePath);
    for (std::size_t i = 0; i < prints.size(); ++i) {
      explanation.findings[i].baseline = baseline_->fingerprints.contains(prints[i])
                                             ? BaselineState::kUnchanged
                                             : BaselineState::kNew;
    }
  }
}

}  // namespace

int RunExplainer(const std::vector<std::wstring>& arguments,
                 const std::vector<std::filesystem::path>& paths, const ExplainStreams& streams) {
  Run run(arguments, paths, streams);
  return run.Go();
}

ExplainOutput RunExplainer(const std::vector<std::wstring>& arguments,
                           const std::vector<std::filesystem::path>& paths) {
  ExplainOutput output;
  const ExplainStreams streams{[&](std::string_view text) { output.out += text; },
                               [&](std::string_view text) { output.err += text; }, nullptr};
  output.exitCode = RunExplainer(arguments, paths, streams);
  return output;
}
