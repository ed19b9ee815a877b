// sysinfo-fleet: the arguments as UTF-8 on every system, then the portable command.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/fleet/fleet_command.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "base/unicode_win.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(sysinfo::WideToUtf8(argv[i]));
  SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);  // rows and CSV keep their bytes as written
  return sysinfo::RunFleetCommand(args, stdout, stderr);
}
#else
int main(int argc, char** argv) {
  return sysinfo::RunFleetCommand(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
}
#endif
