// The report files CI systems read, each written as it goes:
//   gitlab      a Code Quality report, the JSON array GitLab shows in merge requests;
//   junit       JUnit XML, which Jenkins, GitLab and Azure Pipelines show as tests:
//               a test suite a file, a failing test case a finding, one passing
//               case for a clean file;
//   checkstyle  Checkstyle XML, which Jenkins' warnings plugin and others read.

#include <nlohmann/json.hpp>
#include <string>

#include "tools/common/utf.h"
#include "tools/explain/formats/forms.h"
#include "tools/explain/formats/output_forms.h"

std::string XmlText(const std::string& text) {
  // Controls are no XML 1.0 characters either.
  const std::string utf8 = VisibleText(text);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    // U+FFFE and U+FFFF (EF BF BE, EF BF BF) are no XML characters.
    if (c == '\xEF' && i + 2 < utf8.size() && utf8[i + 1] == '\xBF' &&
        (utf8[i + 2] == '\xBE' || utf8[i + 2] == '\xBF')) {
      out += "\xEF\xBF\xBD";
      i += 2;
      continue;
    }
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

namespace {

using json = nlohmann::ordered_json;

const char* GitlabSeverity(Level level) {
  return level == Level::kError ? "major" : level == Level::kWarning ? "minor" : "info";
}

class GitlabWriter : public FormWriter {
 public:
  std::string File(const CheckedFile& file) override {
    const Explanation& explanation = file.explanation;
    const std::vector<std::string> prints = Fingerprints(explanation, file.path);
    std::string text;
    for (std::size_t i = 0; i < explanation.findings.size(); ++i) {
      const Finding& finding = explanation.findings[i];
      if (!finding.Reported()) continue;
      const json issue = {
          {"description", LineText(finding.message)},
          {"check_name", InfoOf(finding.code).name},
          {"fingerprint", prints[i]},
          {"severity", GitlabSeverity(finding.level())},
          {"location", {{"path", file.path}, {"lines", {{"begin", finding.line()}}}}}};
      text += (issues_++ == 0 ? "[\n  " : ",\n  ") +
              issue.dump(-1, ' ', false, json::error_handler_t::replace);
    }
    return text;
  }
  std::string End(const RunTotals&) override { return issues_ == 0 ? "[]\n" : "\n]\n"; }

 private:
  std::size_t issues_ = 0;
};

std::string Attribute(const char* name, const std::string& value) {
  return std::string(" ") + name + "=\"" + XmlText(value) + "\"";
}

std::string Where(const CheckedFile& file, const Finding& finding) {
  return LinePath(file.path) + ":" + std::to_string(finding.line()) + ":" +
         std::to_string(finding.column());
}

class JunitWriter : public FormWriter {
 public:
  std::string File(const CheckedFile& file) override {
    std::string cases;
    std::size_t count = 0;
    for (const Finding& finding : file.explanation.findings) {
      if (!finding.Reported()) continue;
      ++count;
      const std::string message = LineText(finding.message);
      cases += "    <testcase" +
               Attribute("name", std::string(InfoOf(finding.code).name) + " at line " +
                                     std::to_string(finding.line())) +
               Attribute("classname", file.path) + Attribute("file", file.path) +
               Attribute("line", std::to_string(finding.line())) + ">\n      <failure" +
               Attribute("message", message) + Attribute("type", LevelName(finding.level())) + ">" +
               XmlText(Where(file, finding) + ": " + LevelName(finding.level()) + ": " + message +
                       " [" + InfoOf(finding.code).name + "]") +
               "</failure>\n    </testcase>\n";
    }
    if (count == 0) {
      cases = "    <testcase" + Attribute("name", "perinax-explain") +
              Attribute("classname", file.path) + Attribute("file", file.path) + "/>\n";
    }
    return Start() + "  <testsuite" + Attribute("name", file.path) +
           Attribute("tests", std::to_string(count == 0 ? 1 : count)) +
           Attribute("failures", std::to_string(count)) + Attribute("errors", "0") + ">\n" + cases +
           "  </testsuite>\n";
  }
  std::string Failed(const FailedPath& failed) override {
    return Start() + "  <testsuite" + Attribute("name", failed.path) + Attribute("tests", "1") +
           Attribute("failures", "0") + Attribute("errors", "1") + ">\n    <testcase" +
           Attribute("name", "perinax-explain") + Attribute("classname", failed.path) +
           ">\n      <error" + Attribute("message", "cannot read: " + VisibleText(failed.reason)) +
           "/>\n    </testcase>\n  </testsuite>\n";
  }
  std::string End(const RunTotals&) override { return Start() + "</testsuites>\n"; }

 private:
  std::string Start() {
    if (started_) return "";
    started_ = true;
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"perinax-explain\">\n";
  }
  bool started_ = false;
};

const char* CheckstyleSeverity(Level level) {
  return level == Level::kError ? "error" : level == Level::kWarning ? "warning" : "info";
}

class CheckstyleWriter : public FormWriter {
 public:
  std::string File(const CheckedFile& file) override {
    std::string text = Start() + "  <file" + Attribute("name", file.path) + ">\n";
    for (const Finding& finding : file.explanation.findings) {
      if (!finding.Reported()) continue;
      text += "    <error" + Attribute("line", std::to_string(finding.line())) +
              Attribute("column", std::to_string(finding.column())) +
              Attribute("severity", CheckstyleSeverity(finding.level())) +
              Attribute("message", LineText(finding.message)) +
              Attribute("source", std::string("perinax-explain.") + InfoOf(finding.code).name) +
              "/>\n";
    }
    return text + "  </file>\n";
  }
  std::string Failed(const FailedPath& failed) override {
    return Start() + "  <file" + Attribute("name", failed.path) + ">\n    <error" +
           Attribute("severity", "error") +
           Attribute("message", "cannot read: " + VisibleText(failed.reason)) +
           Attribute("source", "perinax-explain") + "/>\n  </file>\n";
  }
  std::string End(const RunTotals&) override { return Start() + "</checkstyle>\n"; }

 private:
  std::string Start() {
    if (started_) return "";
    started_ = true;
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<checkstyle version=\"4.3\">\n";
  }
  bool started_ = false;
};

}  // namespace

std::unique_ptr<FormWriter> MakeGitlabWriter(bool) {
  return std::make_unique<GitlabWriter>();
}
std::unique_ptr<FormWriter> MakeJunitWriter(bool) {
  return std::make_unique<JunitWriter>();
}
std::unique_ptr<FormWriter> MakeCheckstyleWriter(bool) {
  return std::make_unique<CheckstyleWriter>();
}
