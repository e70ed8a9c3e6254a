// Exits with the OS code from the real WMI, so a test can run it under per-version names.
#include "osinfo/os_probe_win32.h"
#include "osinfo/os_version.h"
#include "tests/unit/recording_trace.h"

int main() {
  Win32OsProbe probe;
  RecordingTrace trace;
  return static_cast<int>(GetOSVersion(probe, trace));
}
