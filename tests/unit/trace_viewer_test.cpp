// The trace viewer's portable part: the log's two forms, the severity of each line, the exit-code
// table, the lines it adds for what the trace leaves unsaid, its options, and which breakpoints
// are the loader's.

#include <gtest/gtest.h>

#include "tools/trace/breakpoint.h"
#include "tools/trace/log_record.h"
#include "tools/trace/options.h"
#include "tools/trace/rules.h"

TEST(TraceLog, WritesEachFormOneRecordALine) {
  constexpr auto kTraceLog = LogFormat::kTraceLog, kText = LogFormat::kText;
  constexpr auto kProgram = LogSource::kProgram, kViewer = LogSource::kViewer;
  // Each row: the form, the bias, who sent the line, its type and text, and the record without
  // the trace-log form's fixed last part.
  const std::tuple<LogFormat, int, LogSource, Severity, std::string_view, std::string> rows[] = {
      {kTraceLog, 480, kProgram, Severity::kInformation, "Exit Code 3010",
       R"(<![LOG[Exit Code 3010]LOG]!><time="04:22:12.259+480" date="01-02-2027" )"
       R"(component="Perinax" context="" type="1")"},
      // East of UTC the bias is negative; it keeps its sign and three digits, also when it is 0.
      {kTraceLog, -60, kViewer, Severity::kWarning, "x",
       R"(<![LOG[x]LOG]!><time="04:22:12.259-060" date="01-02-2027" )"
       R"(component="PerinaxTrace" context="" type="2")"},
      // Neither a line end nor the record's end marker inside the text ends the record.
      {kTraceLog, 0, kProgram, Severity::kError, "a]LOG]!>b\r\nc\td]LOG]!]LOG]!>\xc3\xbc",
       R"(<![LOG[a]LOG]!&gt;b  c d]LOG]!]LOG]!&gt;)"
       "\xc3\xbc"
       R"(]LOG]!><time="04:22:12.259+000" date="01-02-2027" component="Perinax" context="" )"
       R"(type="3")"},
      {kText, 480, kProgram, Severity::kError, "a\r\nb", "2026-12-31T23:22:12.259Z [312] a  b"},
      {kText, 480, kViewer, Severity::kError, "exit code 0",
       "2026-12-31T23:22:12.259Z [312] perinax-trace: exit code 0"}};
  for (const auto& [format, bias, source, severity, text, record] : rows) {
    const LogMoment when{{2026, 12, 31, 23, 22, 12, 259}, {2027, 1, 2, 4, 22, 12, 259}, bias};
    EXPECT_EQ(FormatLogEntry(format, {when, source, severity, 312, 320, text}),
              record + (format == kText ? "" : R"( thread="320" file="">)") + "\r\n");
  }
  EXPECT_EQ(LogFileStart(LogFormat::kTraceLog), "\xEF\xBB\xBF");
  EXPECT_EQ(LogFileStart(LogFormat::kText), "");
}

TEST(TraceRules, GivesEachLineItsSeverity) {
  const std::pair<std::wstring_view, Severity> rows[] = {
      {L"Please check the path of INI file!", Severity::kWarning},
      {L"Failed to initialize COM library. hres = 0x80010106", Severity::kWarning},
      {L"Failed to pLoc->ConnectServer.", Severity::kWarning},
      {L"Query for operating system returned no instance.", Severity::kWarning},
      {L"Unexpected operating system version 6", Severity::kWarning},
      {L"No registry target in the INI file", Severity::kWarning},
      {L"GetExitCodeProcess fail", Severity::kError},
      {L"OS version 255", Severity::kInformation},
      {L"Exit Code 1603", Severity::kInformation},
      {L"Setup CMD Please check the path of INI file!", Severity::kInformation},
      {L"Failed to pLoc->ConnectServer", Severity::kInformation},
  };
  for (const auto& [line, severity] : rows) EXPECT_EQ(SeverityOfTraceLine(line), severity);
}

TEST(TraceRules, ReadsTheExitCodeAsDeploymentToolsDo) {
  const std::tuple<std::uint32_t, Severity, std::wstring> rows[] = {
      {0, Severity::kInformation, L"exit code 0 (0x00000000): success"},
      {1707, Severity::kInformation, L"exit code 1707 (0x000006ab): success"},
      {3010, Severity::kInformation,
       L"exit code 3010 (0x00000bc2): success, a restart is needed to finish"},
      {1641, Severity::kInformation,
       L"exit code 1641 (0x00000669): success, the setup program has started a restart"},
      {1618, Severity::kWarning,
       L"exit code 1618 (0x00000652): another installation is in progress: try again later"},
      {1603, Severity::kError, L"exit code 1603 (0x00000643): failure"},
      {1, Severity::kError, L"exit code 1 (0x00000001): failure"},
      {0xFFFFFFFF, Severity::kError, L"exit code 4294967295 (0xffffffff): failure"},
  };
  for (const auto& [code, severity, text] : rows) {
    const ViewerLine line = ExitCodeLine(code);
    EXPECT_EQ(line.severity, severity) << code;
    EXPECT_EQ(line.text, text);
  }
}

TEST(TraceRules, AddsWhatTheTraceLeavesUnsaid) {
  const std::wstring end = L"-----LoadINIFile file end-----";
  const std::wstring notWritten = L"2 the registry value was not written: ";
  const std::wstring notStarted =
      L"3 the setup program could not be started: the trace ends with the two \"Setup CMD\" "
      L"lines; check that SetupFile in the INI file names a program that exists, or a document "
      L"with an associated program";
  // Each row: the trace, and what the viewer then shows, its own lines with their type.
  const std::pair<std::vector<std::wstring>, std::vector<std::wstring>> rows[] = {
      {{L"WriteToReg", L"X64", L"create", L"Write VUZA Value", end, L"Setup CMD ", L"Setup CMD ",
        L"CreateProcess"},
       {}},
      {{L"WriteToReg", L"win 7 Write VUZA Value", end}, {}},
      {{L"WriteToReg", L"X64", end},
       {L"WriteToReg", L"X64",
        notWritten +
            L"the key could not be opened or created (no \"open\" or \"create\" after \"X64\")",
        end}},
      {{L"WriteToReg", L"X64", L"open", end},
       {L"WriteToReg", L"X64", L"open",
        notWritten + L"the value could not be set (no \"Write VUZA Value\" after \"open\")", end}},
      {{L"WriteToReg", end},
       {L"WriteToReg",
        notWritten + L"the key could not be opened or created, or the value could not be set "
                     L"(no \"Write VUZA Value\" or \"win 7 Write VUZA Value\" after "
                     L"\"WriteToReg\")",
        end}},
      // The program ended inside the registry step, or after a start that failed.
      {{L"WriteToReg", L"X64", L"create"},
       {L"WriteToReg", L"X64", L"create",
        notWritten + L"the value could not be set (no \"Write VUZA Value\" after \"create\")"}},
      {{end, L"Setup CMD /q", L"Setup CMD /q"},
       {end, L"Setup CMD /q", L"Setup CMD /q", notStarted}},
      // "CreateProcess" is the start only right after the two "Setup CMD" lines: elsewhere it is
      // a key path's text, or a line of some other program.
      {{L"CreateProcess", L"szRegPath CreateProcess", end, L"Setup CMD /q", L"Setup CMD /q"},
       {L"CreateProcess", L"szRegPath CreateProcess", end, L"Setup CMD /q", L"Setup CMD /q",
        notStarted}},
      {{end, L"Setup CMD /q", L"Setup CMD /q", L"x", L"CreateProcess"},
       {end, L"Setup CMD /q", L"Setup CMD /q", L"x", L"CreateProcess", notStarted}},
      // Without the INI file no SetupFile was read: the hint names the INI file first.
      {{L"Please check the path of INI file!", end, L"Setup CMD /q", L"Setup CMD /q"},
       {L"Please check the path of INI file!", end, L"Setup CMD /q", L"Setup CMD /q",
        L"3 the setup program could not be started: Perinax.ini was not found in the working "
        L"folder (the trace says \"Please check the path of INI file!\"), so no SetupFile was "
        L"read; start Perinax in the folder that holds Perinax.ini"}},
      {{L"Please check the path of INI file!", end, L"Setup CMD ", L"Setup CMD ", L"CreateProcess"},
       {}},
      {{L"Setup CMD /q"}, {}},
  };
  for (const auto& [trace, shown] : rows) {
    UnsaidLines unsaid;
    std::vector<std::wstring> seen;
    const auto add = [&](const std::vector<ViewerLine>& lines) {
      for (const ViewerLine& line : lines)
        seen.push_back(std::to_wstring(static_cast<int>(line.severity)) + L" " + line.text);
    };
    for (const std::wstring& line : trace) {
      add(unsaid.Before(line));
      seen.push_back(line);
    }
    add(unsaid.AtEnd());
    EXPECT_EQ(seen, shown.empty() ? trace : shown);
  }
}

TEST(TraceOptions, ReadsTheOptionsAndLeavesTheProgramsCommandLineAsWritten) {
  using Action = TraceOptions::Action;
  const std::tuple<const wchar_t*, Action, std::wstring, LogFormat, std::wstring> rows[] = {
      {L"Perinax.exe /q \"a b\"", Action::kRun, L"", LogFormat::kTraceLog,
       L"Perinax.exe /q \"a b\""},
      {L"--log \"C:\\a b.log\"  --log-format text --dlls d.txt \"P x.exe\" --log", Action::kRun,
       L"C:\\a b.log", LogFormat::kText, L"\"P x.exe\" --log"},
      {L"--log-format cmtrace --log x P", Action::kRun, L"x", LogFormat::kTraceLog, L"P"},
      {L"--help P", Action::kHelp, L"", LogFormat::kTraceLog, L""},
      {L"--version", Action::kVersion, L"", LogFormat::kTraceLog, L""},
      {L"--bogus P", Action::kUsageError, L"unknown option --bogus", LogFormat::kTraceLog, L""},
      {L"--log", Action::kUsageError, L"option --log needs a value", LogFormat::kTraceLog, L""},
      {L"--log-format xml P", Action::kUsageError, L"unknown log format xml (cmtrace or text)",
       LogFormat::kTraceLog, L""},
      {L"--log x ", Action::kUsageError, L"no program to run", LogFormat::kTraceLog, L""},
  };
  for (const auto& [line, action, logOrError, format, program] : rows) {
    const TraceOptions options = ParseTraceOptions(line);
    EXPECT_EQ(options.action, action);
    EXPECT_EQ(action == Action::kUsageError ? options.error : options.logPath, logOrError);
    EXPECT_EQ(options.logFormat, format);
    EXPECT_EQ(options.program ? std::wstring(options.program) : L"", program);
  }
}

TEST(InitialBreakpoints, ContinuesTheFirstOfEachKindAndPassesOnEveryLaterOne) {
  const std::pair<std::vector<std::uint32_t>, std::vector<bool>> rows[] = {
      {{0x80000003, 0x80000003}, {true, false}},
      {{0x4000001F, 0x80000003, 0x4000001F, 0x80000003}, {true, true, false, false}},
      {{0xC0000005, 0x80000003, 0xC0000005}, {false, true, false}},
  };
  for (const auto& [codes, loaders] : rows) {
    InitialBreakpoints breakpoints;
    std::vector<bool> seen;
    for (const std::uint32_t code : codes) seen.push_back(breakpoints.IsLoaders(code));
    EXPECT_EQ(seen, loaders);
  }
}
