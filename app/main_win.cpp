// The window program: no arguments, one window.
#include <windows.h>

#include "app/main_window_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return sysinfo::RunWindowProgram(instance);
}
