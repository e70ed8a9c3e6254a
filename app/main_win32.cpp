#include <windows.h>

// Entry point; filled in as the launcher grows.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return 0;
}
