#pragma once

// What the self-test reports: one line a test, the closing count, and the same in the forms CI
// systems and log readers take (JUnit XML; the trace-log form through the viewer's own record
// writer, tools/trace/log_record.h).

#include <string>
#include <vector>

#include "tools/trace/log_record.h"

struct TestOutcome {
  std::wstring name;
  std::wstring failure;  // empty: passed
  double seconds = 0;
  bool passed() const { return failure.empty(); }
};

// "ok    NAME" or "FAIL  NAME: WHY".
std::wstring ResultLine(const TestOutcome& outcome);

// "N passed, M failed", the last line of every run.
std::wstring SummaryLine(const std::vector<TestOutcome>& outcomes);

// One test suite, one test case per test, a failure element with the reason in each failed one.
std::string JUnitXml(const std::vector<TestOutcome>& outcomes, const std::wstring& suite);

// The log's records: each result line and then the summary, as the viewer writes its log, the
// failures as errors (red in CMTrace).
std::string TraceLogRecords(const std::vector<TestOutcome>& outcomes, const LogMoment& when,
                            unsigned long processId, unsigned long threadId);
