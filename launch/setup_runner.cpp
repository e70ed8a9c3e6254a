#include "launch/setup_runner.h"

#include "common/owner.h"
#include "common/trace_texts.h"

namespace {

// The process handle, closed on every way out of the launch.
using ProcessOwner = Owner<ProcessHandle, ShellApi, &ShellApi::CloseProcess>;

}  // namespace

std::uint32_t RunSetupCmd(const SetupSettings& settings, ShellApi& api, TraceSink& trace,
                          const wchar_t* args) {
  if (args == nullptr) args = L"";

  TraceFormatted(trace, kTraceSetupCmd, args);

  const wchar_t* file = settings.m_szSetupFile;
  LaunchRecord record;
  record.cbSize = kLaunchRecordSize;
  // Nobody may be there to answer a box of the shell's, and an unattended
  // installation would wait on it for ever: no Attachment Manager warning for
  // a file with a downloaded-file mark or on a share counted as the Internet
  // zone (the program is named by the INI file shipped with the launcher, as
  // trusted as the launcher itself), and no error box when the start fails.
  // The start is finished before the call returns, DDE and COM handlers
  // included: this thread has no message loop to finish it later.
  record.fMask = kSeeMaskNoZoneChecks | kSeeMaskNoAsync | kSeeMaskNoCloseProcess | kSeeMaskFlagNoUi;
  record.lpFile = file;
  record.lpParameters = args;
  record.nShow = kSwShow;

  // Opening a folder starts a file browser, not a setup program, and one that
  // may never end; an empty name names nothing. Neither is started, nor is a
  // name the INI file did not give whole (see SetupSettings).
  ProcessHandle process = nullptr;
  const bool started = settings.m_bSetupFileNamed && file[0] != L'\0' && !api.IsFolder(file) &&
                       api.Execute(record, &process);
  TraceFormatted(trace, kTraceSetupCmd, args);
  if (!started) return kLaunchFailedExitCode;

  Trace(trace, kTraceStarted);

  // The shell may succeed without a process of its own to hand back (a running
  // program took the file over). There is then nothing to wait for or to ask the
  // exit code of, and success cannot be claimed.
  if (process == nullptr) {
    Trace(trace, kTraceWaited);
    Trace(trace, kTraceExitCodeFailed);
    return kLaunchFailedExitCode;
  }

  const ProcessOwner owner(api, process);
  api.WaitForProcess(process);
  Trace(trace, kTraceWaited);

  std::uint32_t code = 0;
  if (!api.GetExitCode(process, &code)) {
    Trace(trace, kTraceExitCodeFailed);
    return kLaunchFailedExitCode;
  }
  if (code == kStillActive) {
    Trace(trace, kTraceStillRunning);
  } else {
    TraceFormatted(trace, kTraceExitCode, static_cast<int>(code));
  }
  return code;
}
