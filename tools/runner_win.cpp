#include "tools/runner_win.h"

#include <windows.h>

#include "app/collectors_win.h"
#include "app/hosts_path_win.h"
#include "app/locale_win.h"
#include "app/scan.h"
#include "collectors/wmi_win.h"
#include "generated/version.h"
#include "tools/runner_args.h"

namespace sysinfo {
namespace {

class ConsoleHost final : public ScanHost {
 public:
  ConsoleHost(std::string path, const ReportOpener& open, std::FILE* err)
      : path_(std::move(path)), open_(open), err_(err) {}

  std::string AskReportPath(const std::string&) override { return path_; }
  std::unique_ptr<ReportSink> CreateReport(const std::string& path, std::string& reason) override {
    return open_(path, reason);
  }
  void ScanStarting() override {}
  void ShowStatus(const std::string& text) override { std::fprintf(err_, "%s\n", text.c_str()); }
  std::string ShortDate() override { return ShortDateNow(); }
  std::string ShortTime() override { return TimeNow(); }
  void CategoryDone(std::size_t, const CategoryOutcome&) override {}
  void ScanFinished(const ScanOutcome&) override {}

 private:
  std::string path_;
  const ReportOpener& open_;
  std::FILE* err_;
};

}  // namespace

int RunReportCommand(const std::vector<std::string>& args, const ReportOpener& open,
                     std::FILE* out, std::FILE* err) {
  const RunnerOptions options = ParseRunnerArgs(args);
  if (options.help) {
    std::fputs(RunnerUsage().c_str(), out);
    return 0;
  }
  if (!options.error.empty()) {
    std::fprintf(err, "sysinfo-report: %s\n\n%s", options.error.c_str(), RunnerUsage().c_str());
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

  ConsoleHost host(options.outPath, open, err);
  const ScanOutcome outcome = RunScan(request, RealCollectors(*wmi, request.hostsPath), host);
  if (outcome.result != ScanResult::Saved) {
    std::fprintf(err, "sysinfo-report: cannot write the report \"%s\": %s\n",
                 outcome.path.c_str(), outcome.error.c_str());
    return 1;
  }
  std::fprintf(out, "Report saved to %s\n", outcome.path.c_str());
  return 0;
}

}  // namespace sysinfo
