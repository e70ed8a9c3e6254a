#include <windows.h>

#include "app/error_mode_win32.h"
#include "app/launcher_run.h"
#include "common/command_line.h"
#include "common/system_functions_win32.h"
#include "common/trace_win32.h"
#include "launch/shell_win32.h"
#include "osinfo/os_probe_win32.h"
#include "registry/registry_win32.h"
#include "settings/profile_win32.h"

// The argument text is taken from GetCommandLineW rather than from pCmdLine, so
// that it is the same whichever C runtime started the program.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The first thing the launcher does: it runs from download folders, shares
  // and media beside files anyone may have put there, usually as an
  // administrator. The DLL search path is fenced to System32 and the system
  // DLLs it uses are loaded from there, before the shell or COM load anything.
  static_cast<void>(System());

  static LauncherState state;
  Win32Profile profile;
  Win32OsProbe probe;
  Win32Registry registry;
  Win32Shell shell;
  Win32ErrorMode errorMode;
  DebugOutputTraceSink trace;
  ConfigPlatform config{profile, probe, registry, trace};

  const std::uint32_t exitCode =
      RunLauncher(state, config, errorMode, shell, ArgumentText(GetCommandLineW()));
  // The process ends with the 32-bit pattern of the exit code, 0xFFFFFFFF included.
  return static_cast<int>(exitCode);
}

// The image starts here rather than in the C runtime's start-up code: the
// launcher uses no argument vector, static constructors, stdio or atexit, so
// that code would only add size and start-up work.
extern "C" void WINAPI PerinaxEntry() {
  ExitProcess(
      static_cast<UINT>(wWinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWDEFAULT)));
}
