// The console runner: writes the same report as the window's scan, without the window.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/collectors_win.h"
#include "app/hosts_path_win.h"
#include "app/locale_win.h"
#include "app/report_file_win.h"
#include "app/scan.h"
#include "app/unicode_win.h"
#include "collectors/wmi_win.h"
#include "generated/version.h"
#include "tools/runner_args.h"

namespace sysinfo {
namespace {

class ConsoleHost final : public ScanHost {
 public:
  explicit ConsoleHost(std::string path) : path_(std::move(path)) {}

  std::string AskReportPath(const std::string&) override { return path_; }
  std::unique_ptr<ReportSink> CreateReport(const std::string& path, std::string& reason) override {
    return CreateFileReport(path, reason);
  }
  void ScanStarting() override {}
  void ShowStatus(const std::string& text) override {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
  std::string ShortDate() override { return ShortDateNow(); }
  std::string ShortTime() override { return TimeNow(); }
  void CategoryDone(std::size_t, double) override {}
  void ScanFinished(const ScanOutcome&) override {}

 private:
  std::string path_;
};

int Run(const std::vector<std::string>& args) {
  const RunnerOptions options = ParseRunnerArgs(args);
  if (options.help) {
    std::fputs(RunnerUsage().c_str(), stdout);
    return 0;
  }
  if (!options.error.empty()) {
    std::fprintf(stderr, "sysinfo-report: %s\n\n%s", options.error.c_str(), RunnerUsage().c_str());
    return 2;
  }

  ComApartment com;
  SetCurrentNumberFormat(UserNumberFormat());
  auto wmi = MakeWmiService();

  ScanRequest request;
  request.caption = ProgramCaption(kVersionMajor, kVersionMinor, kVersionRevision);
  request.ticked = options.ticked;
  request.level = options.level;
  request.hostsPath = FindHostsFilePath();
  request.proposedPath = options.outPath;

  ConsoleHost host(options.outPath);
  const ScanOutcome outcome = RunScan(request, RealCollectors(*wmi, request.hostsPath), host);
  if (outcome.result != ScanResult::Saved) {
    std::fprintf(stderr, "sysinfo-report: cannot write the report \"%s\": %s\n",
                 outcome.path.c_str(), outcome.error.c_str());
    return 1;
  }
  std::printf("Report saved to %s\n", outcome.path.c_str());
  return 0;
}

}  // namespace
}  // namespace sysinfo

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(sysinfo::WideToUtf8(argv[i]));
  return sysinfo::Run(args);
}
