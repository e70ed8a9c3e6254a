#include "app/launcher_run.h"

#include "app/error_mode.h"
#include "launch/setup_runner.h"

std::uint32_t RunLauncher(LauncherState& state, ConfigPlatform& config, ErrorModeApi& errorMode,
                          ShellApi& shell, const wchar_t* args) {
  {
    // The INI file or the current directory may lie on an empty removable or
    // network drive: Windows would ask an interactive user to insert a disk,
    // and as SYSTEM log the box nobody sees. The setup program inherits the
    // error mode, and a multi-disk installer must still be able to ask for its
    // next disk, so the previous mode is back before it starts.
    const ErrorBoxesOff quiet(errorMode);
    static_cast<void>(LoadINIFile(state, config));
  }
  return RunSetupCmd(state.settings, shell, config.trace, args);
}
