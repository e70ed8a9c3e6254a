// The floor of any launcher: start the setup program through the shell, wait
// for it and pass its exit code on. Nothing else.
#include "launch_and_wait.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR args, int) {
  return LaunchAndWait(args);
}
