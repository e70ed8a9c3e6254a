// Runs the OS version probe against the real WMI and returns the code as the
// exit code, so that a test can run it under a name that Wine's per-program
// settings give another Windows version.
#include "osinfo/os_probe_win32.h"
#include "osinfo/os_version.h"

namespace {

class SilentTrace final : public TraceSink {
 public:
  void WriteLine(const wchar_t*) override {}
};

}  // namespace

int main() {
  Win32OsProbe probe;
  SilentTrace trace;
  return static_cast<int>(GetOSVersion(probe, trace));
}
