#include <windows.h>

#include "app/command_line.h"
#include "app/config_phase.h"
#include "common/trace_win32.h"
#include "launch/setup_runner.h"
#include "launch/shell_win32.h"
#include "osinfo/os_probe_win32.h"
#include "registry/registry_win32.h"
#include "settings/profile_win32.h"

namespace {

// The launcher usually runs from a download or media folder that may hold
// stray DLLs; every DLL loaded later (by the shell, COM or WMI) comes from
// System32 instead. SetDefaultDllDirectories exists from Windows 8 on, and on
// Windows Vista and 7 only with KB2533623, so it is looked up at run time; where
// it is absent, the current directory is at least taken off the search path.
void RestrictDllSearchPath() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel != nullptr) {
    const FARPROC proc = GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (proc != nullptr) {
      const auto setDefaultDllDirectories =
          reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(proc));
      if (setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    }
  }
  SetDllDirectoryW(L"");
}

}  // namespace

// The argument text is taken from GetCommandLineW rather than from pCmdLine, so
// that it is the same whichever C runtime started the program.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  RestrictDllSearchPath();

  static LauncherState state;
  Win32Profile profile;
  Win32OsProbe probe;
  Win32Registry registry;
  Win32Shell shell;
  DebugOutputTraceSink trace;
  ConfigPlatform platform{profile, probe, registry, trace};

  static_cast<void>(LoadINIFile(state, platform));
  const std::uint32_t exitCode =
      RunSetupCmd(state.settings, shell, trace, ArgumentText(GetCommandLineW()));
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
