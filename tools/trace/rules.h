#pragma once

// What the trace viewer makes of Perinax's trace: how serious each line is,
// what the exit code means, and the lines the trace leaves unsaid (a registry
// value that was not written, a setup program that did not start), which the
// viewer adds as its own.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/trace/log_record.h"

// A warning for a step that failed while the run went on (a missing INI file,
// each failure line of the version probe, no registry target), an error for an
// exit code that could not be read, information for every other line.
Severity SeverityOfTraceLine(std::wstring_view line);

// One of the viewer's own lines.
struct ViewerLine {
  Severity severity;
  std::wstring text;
};

// "exit code 3010 (0x00000bc2): success, a restart is needed", read as the
// deployment tools read it: 0, 1707, 3010 and 1641 succeed, 1618 asks for a
// retry later, every other code is a failure.
ViewerLine ExitCodeLine(std::uint32_t exitCode);

// Where the launch stands, line by line: its two "Setup CMD" lines traced,
// and the start. The launcher traces "CreateProcess" right after them;
// elsewhere the text is not the start (a key path "Wow6432Node\CreateProcess"
// traces it in the registry step).
class LaunchLines {
 public:
  void See(std::wstring_view line);
  bool traced() const { return traced_; }    // two "Setup CMD" lines in a row were seen
  bool started() const { return started_; }  // "CreateProcess" came right after them

 private:
  int setupCmdRun_ = 0;  // "Setup CMD" lines in a row, up to the last line
  bool traced_ = false;
  bool started_ = false;
};

// Follows the trace line by line and names what it leaves unsaid. The launcher
// writes no line when its registry key or value cannot be written, and none
// after the two "Setup CMD" lines when the start fails.
class UnsaidLines {
 public:
  // The viewer's lines that belong before this trace line.
  std::vector<ViewerLine> Before(std::wstring_view line);
  // The viewer's lines that belong after the last one, when the program ended.
  std::vector<ViewerLine> AtEnd();

 private:
  enum class RegistryStep { kNone, kWriting32, kWriting64, kKeyReady };

  std::vector<ViewerLine> EndRegistryStep();

  RegistryStep registry_ = RegistryStep::kNone;
  std::wstring_view keyLine_;  // "open" or "create", once the x64 key is there
  LaunchLines launch_;
  bool iniMissing_ = false;  // the trace said the INI file is not there
};
