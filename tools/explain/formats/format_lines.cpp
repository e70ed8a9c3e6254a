// The line forms CI logs and editors read, one finding a line:
//   gcc     FILE:LINE:COL: LEVEL: TEXT [CODE], what problem matchers parse;
//   github  GitHub Actions workflow commands, which become annotations;
//   azure   Azure Pipelines logging commands, which become issues.
// Each writes every reported finding and says nothing else on standard output,
// so that every line it writes is one its reader parses.

#include <string>
#include <string_view>

#include "tools/common/utf.h"
#include "tools/explain/formats/forms.h"
#include "tools/explain/formats/output_forms.h"

namespace {

// Each character of `from` as its %XX escape; `percent` is what '%' becomes.
std::string Escaped(std::string_view text, std::string_view from, std::string_view percent) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    if (c == '%') {
      out += percent;
    } else if (from.find(c) != std::string_view::npos) {
      out += '%';
      out += kHex[static_cast<unsigned char>(c) >> 4];
      out += kHex[c & 15];
    } else {
      out += c;
    }
  }
  return out;
}

struct LineStyle {
  // The line of one finding of a file (its path for machines as given).
  std::string (*finding)(const std::string& path, const Finding& finding);
  std::string (*failed)(const std::string& path, const std::string& reason);
};

class LineWriter : public FormWriter {
 public:
  explicit LineWriter(const LineStyle& style) : style_(style) {}
  std::string File(const CheckedFile& file) override {
    std::string text;
    for (const Finding& finding : file.explanation.findings) {
      if (finding.Reported()) text += style_.finding(file.path, finding);
    }
    return text;
  }
  std::string Failed(const FailedPath& failed) override {
    return style_.failed(failed.path, failed.reason);
  }

 private:
  const LineStyle& style_;
};

std::string Place(const Finding& finding) {
  return std::to_string(finding.line()) + ":" + std::to_string(finding.column());
}

std::string GccFinding(const std::string& path, const Finding& finding) {
  return LinePath(path) + ":" + Place(finding) + ": " + LevelName(finding.level()) + ": " +
         LineText(finding.message) + " [" + InfoOf(finding.code).name + "]\n";
}

std::string GccFailed(const std::string& path, const std::string& reason) {
  return LinePath(path) + ": error: cannot read: " + VisibleText(reason) + "\n";
}

// GitHub's workflow commands: '%', CR and LF escaped in the message, and ':'
// and ',' too in a property, as the runner unescapes them.
std::string GithubData(std::string_view text) {
  return Escaped(text, "\r\n", "%25");
}
std::string GithubProperty(std::string_view text) {
  return Escaped(text, "\r\n:,", "%25");
}

const char* GithubCommand(Level level) {
  return level == Level::kError ? "error" : level == Level::kWarning ? "warning" : "notice";
}

std::string GithubFinding(const std::string& path, const Finding& finding) {
  std::string line = std::string("::") + GithubCommand(finding.level()) +
                     " file=" + GithubProperty(VisibleText(path)) +
                     ",line=" + std::to_string(finding.line()) +
                     ",col=" + std::to_string(finding.column());
  if (finding.range.end.column > finding.column()) {
    line += ",endColumn=" + std::to_string(finding.range.end.column);
  }
  return line + ",title=" + GithubProperty(InfoOf(finding.code).name) +
         "::" + GithubData(LineText(finding.message)) + "\n";
}

std::string GithubFailed(const std::string& path, const std::string& reason) {
  return "::error file=" + GithubProperty(VisibleText(path)) +
         "::" + GithubData("cannot read: " + VisibleText(reason)) + "\n";
}

// Azure's logging commands: '%' as %AZP25, and ';', ']', CR and LF escaped, in
// properties and message alike, as the agent unescapes both.
std::string AzureText(std::string_view text) {
  return Escaped(text, ";]\r\n", "%AZP25");
}

std::string AzureFinding(const std::string& path, const Finding& finding) {
  // Azure knows errors and warnings only: a note is shown as a warning.
  return std::string("##vso[task.logissue type=") +
         (finding.level() == Level::kError ? "error" : "warning") +
         ";sourcepath=" + AzureText(VisibleText(path)) +
         ";linenumber=" + std::to_string(finding.line()) +
         ";columnnumber=" + std::to_string(finding.column()) +
         ";code=" + AzureText(InfoOf(finding.code).name) + "]" +
         AzureText(LineText(finding.message)) + "\n";
}

std::string AzureFailed(const std::string& path, const std::string& reason) {
  return "##vso[task.logissue type=error;sourcepath=" + AzureText(VisibleText(path)) + "]" +
         AzureText("cannot read: " + VisibleText(reason)) + "\n";
}

constexpr LineStyle kGcc{GccFinding, GccFailed};
constexpr LineStyle kGithub{GithubFinding, GithubFailed};
constexpr LineStyle kAzure{AzureFinding, AzureFailed};

}  // namespace

std::unique_ptr<FormWriter> MakeGccWriter(bool) {
  return std::make_unique<LineWriter>(kGcc);
}
std::unique_ptr<FormWriter> MakeGithubWriter(bool) {
  return std::make_unique<LineWriter>(kGithub);
}
std::unique_ptr<FormWriter> MakeAzureWriter(bool) {
  return std::make_unique<LineWriter>(kAzure);
}
