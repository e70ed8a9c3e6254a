#include "tools/trace/rules.h"

#include <cstdio>

#include "common/trace_texts.h"

namespace {

// True when the line is what the trace text gives: the text itself, or for a
// format, its fixed part before the value.
bool IsTraceLine(std::wstring_view line, std::wstring_view text) {
  const std::wstring_view fixed = TraceTextFixedPart(text);
  return fixed.size() == text.size() ? line == text : line.starts_with(fixed);
}

// A trace text as the reader sees it named: quoted, and for a format, its fixed part.
std::wstring Quoted(std::wstring_view text) {
  text = TraceTextFixedPart(text);
  while (text.ends_with(L' ')) text.remove_suffix(1);
  return L"\"" + std::wstring(text) + L"\"";
}

}  // namespace

Severity SeverityOfTraceLine(std::wstring_view line) {
  if (IsTraceLine(line, kTraceExitCodeFailed)) return Severity::kError;
  if (IsTraceLine(line, kTraceMissingIni) || IsTraceLine(line, kTraceNoRegistryTarget)) {
    return Severity::kWarning;
  }
  for (const wchar_t* failure : kTraceProbeFailures) {
    if (IsTraceLine(line, failure)) return Severity::kWarning;
  }
  return Severity::kInformation;
}

ViewerLine ExitCodeLine(std::uint32_t exitCode) {
  ViewerLine line{Severity::kError, L"failure"};
  switch (exitCode) {
    case 0:
    case 1707:
      line = {Severity::kInformation, L"success"};
      break;
    case 3010:
      line = {Severity::kInformation, L"success, a restart is needed to finish"};
      break;
    case 1641:
      line = {Severity::kInformation, L"success, the setup program has started a restart"};
      break;
    case 1618:
      line = {Severity::kWarning, L"another installation is in progress: try again later"};
      break;
    default:
      break;
  }
  // At most 38 characters, so the text always fits.
  wchar_t code[48];
  static_cast<void>(
      std::swprintf(code, sizeof(code) / sizeof(code[0]), L"exit code %lu (0x%08lx): ",
                    static_cast<unsigned long>(exitCode), static_cast<unsigned long>(exitCode)));
  line.text = code + line.text;
  return line;
}

std::vector<ViewerLine> UnsaidLines::Before(std::wstring_view line) {
  std::vector<ViewerLine> added;
  if (line == kTraceValueWritten || line == kTraceValueWrittenToOpenedKey) {
    registry_ = RegistryStep::kNone;
  } else if (registry_ == RegistryStep::kWriting64 &&
             (line == kTraceKeyOpened || line == kTraceKeyCreated)) {
    registry_ = RegistryStep::kKeyReady;
    keyLine_ = line == kTraceKeyOpened ? kTraceKeyOpened : kTraceKeyCreated;
  } else if (registry_ == RegistryStep::kWriting32 && line == kTraceX64) {
    registry_ = RegistryStep::kWriting64;
  } else {
    // Any other line means the registry step is over.
    added = EndRegistryStep();
    if (line == kTraceWriteToReg) registry_ = RegistryStep::kWriting32;
  }
  launch_.See(line);
  if (line == kTraceMissingIni) iniMissing_ = true;
  return added;
}

void LaunchLines::See(std::wstring_view line) {
  if (line == kTraceStarted && setupCmdRun_ >= 2) started_ = true;
  setupCmdRun_ = IsTraceLine(line, kTraceSetupCmd) ? setupCmdRun_ + 1 : 0;
  if (setupCmdRun_ >= 2) traced_ = true;
}

std::vector<ViewerLine> UnsaidLines::AtEnd() {
  std::vector<ViewerLine> added = EndRegistryStep();
  if (launch_.traced() && !launch_.started()) {
    // Without the INI file no SetupFile was read: the folder Perinax was started in is what to
    // fix, not the key.
    added.push_back(
        {Severity::kError,
         iniMissing_
             ? L"the setup program could not be started: Perinax.ini was not found in the "
               L"working folder (the trace says " +
                   Quoted(kTraceMissingIni) +
                   L"), so no SetupFile was read; start Perinax in the folder that holds "
                   L"Perinax.ini"
             : L"the setup program could not be started: the trace ends with the two " +
                   Quoted(kTraceSetupCmd) +
                   L" lines; check that SetupFile in the INI file names a program that exists, "
                   L"or a document with an associated program"});
  }
  return added;
}

std::vector<ViewerLine> UnsaidLines::EndRegistryStep() {
  const RegistryStep step = registry_;
  registry_ = RegistryStep::kNone;
  std::wstring what;
  switch (step) {
    case RegistryStep::kNone:
      return {};
    case RegistryStep::kWriting32:
      what = L"the key could not be opened or created, or the value could not be set (no " +
             Quoted(kTraceValueWritten) + L" or " + Quoted(kTraceValueWrittenToOpenedKey) +
             L" after " + Quoted(kTraceWriteToReg) + L")";
      break;
    case RegistryStep::kWriting64:
      what = L"the key could not be opened or created (no " + Quoted(kTraceKeyOpened) + L" or " +
             Quoted(kTraceKeyCreated) + L" after " + Quoted(kTraceX64) + L")";
      break;
    case RegistryStep::kKeyReady:
      what = L"the value could not be set (no " + Quoted(kTraceValueWritten) + L" after " +
             Quoted(keyLine_) + L")";
      break;
  }
  return {{Severity::kWarning, L"the registry value was not written: " + what}};
}
