#include "tools/selftest/report.h"

#include <cstdio>

#include "tools/common/utf.h"

namespace {

// Text inside an XML attribute or element: markup escaped, and the control characters XML 1.0
// cannot hold left out.
std::string XmlText(const std::wstring& text) {
  std::string escaped;
  for (const char c : Utf8FromUtf16(text)) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n') escaped += c;
    }
  }
  return escaped;
}

std::string Seconds(double seconds) {
  char text[32];
  static_cast<void>(std::snprintf(text, sizeof(text), "%.3f", seconds));
  return text;
}

}  // namespace

std::wstring ResultLine(const TestOutcome& outcome) {
  return outcome.passed() ? L"ok    " + outcome.name
                          : L"FAIL  " + outcome.name + L": " + outcome.failure;
}

std::wstring SummaryLine(const std::vector<TestOutcome>& outcomes) {
  std::size_t passed = 0;
  for (const TestOutcome& outcome : outcomes) passed += outcome.passed() ? 1 : 0;
  return std::to_wstring(passed) + L" passed, " + std::to_wstring(outcomes.size() - passed) +
         L" failed";
}

std::string JUnitXml(const std::vector<TestOutcome>& outcomes, const std::wstring& suite) {
  std::size_t failures = 0;
  double total = 0;
  std::string cases;
  for (const TestOutcome& outcome : outcomes) {
    total += outcome.seconds;
    cases += "    <testcase classname=\"" + XmlText(suite) + "\" name=\"" + XmlText(outcome.name) +
             "\" time=\"" + Seconds(outcome.seconds) + "\"";
    if (outcome.passed()) {
      cases += "/>\n";
      continue;
    }
    ++failures;
    cases += ">\n      <failure message=\"" + XmlText(outcome.failure) + "\">" +
             XmlText(outcome.failure) + "</failure>\n    </testcase>\n";
  }
  const std::string counts = "tests=\"" + std::to_string(outcomes.size()) + "\" failures=\"" +
                             std::to_string(failures) + "\" errors=\"0\" time=\"" + Seconds(total) +
                             "\"";
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites " + counts +
         ">\n  <testsuite name=\"" + XmlText(suite) + "\" " + counts + ">\n" + cases +
         "  </testsuite>\n</testsuites>\n";
}

std::string TraceLogRecords(const std::vector<TestOutcome>& outcomes, const LogMoment& when,
                            unsigned long processId, unsigned long threadId) {
  std::string records(LogFileStart(LogFormat::kTraceLog));
  const auto add = [&](Severity severity, const std::wstring& line) {
    const std::string text = Utf8FromUtf16(line);
    records += FormatLogEntry(LogFormat::kTraceLog,
                              {when, LogSource::kSelfTest, severity, processId, threadId, text});
  };
  bool anyFailed = false;
  for (const TestOutcome& outcome : outcomes) {
    anyFailed = anyFailed || !outcome.passed();
    add(outcome.passed() ? Severity::kInformation : Severity::kError, ResultLine(outcome));
  }
  add(anyFailed ? Severity::kError : Severity::kInformation, SummaryLine(outcomes));
  return records;
}
