// The console runner: writes the same report as the window's scan, without the window.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "report/report_file_win.h"
#include "base/unicode_win.h"
#include "tools/runner_win.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(sysinfo::WideToUtf8(argv[i]));
  return sysinfo::RunReportCommand(args, sysinfo::CreateFileReport, stdout, stderr);
}
