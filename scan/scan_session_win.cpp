// The scan session: the platform's sources bundled once, and one report made over them.
#include "scan/scan_session_win.h"

#include <optional>

#include "base/fs_redirection_win.h"
#include "base/program.h"
#include "report/json_report.h"
#include "base/json_value.h"
#include "base/locale_win.h"
#include "report/redaction.h"
#include "collectors/autostart_win.h"
#include "collectors/categories.h"
#include "collectors/collectors.h"
#include "collectors/file_examinations.h"
#include "collectors/hosts_file_win.h"
#include "collectors/performance_win.h"
#include "collectors/suspicious_files_win.h"
#include "collectors/user_profiles_win.h"
#include "collectors/user_software_win.h"
#include "collectors/windows_updates_win.h"
#include "collectors/wmi_win.h"
#include "scan/declared_categories.h"
#include "support/registry_win.h"

namespace sysinfo {
namespace {

// The category list over the platform's sources, each run with the file system it needs.
class PlatformCategories final : public DeclaredCategories {
 public:
  using DeclaredCategories::DeclaredCategories;
  void Collect(ReportWriter& report, std::size_t index, DetailLevel level) override {
    std::optional<FsRedirectionOff> redirectionOff;
    if (kCategoryList[index]->files == FileView::Native) redirectionOff.emplace();
    DeclaredCategories::Collect(report, index, level);
  }
  std::unique_ptr<GatheringThread> StartGatheringThread() override {
    return std::make_unique<GatheringApartment>();
  }

 private:
  // Each gathering thread in an apartment of its own; every WMI query connects anew within it.
  struct GatheringApartment final : GatheringThread {
    ComApartment com{ComThread::Gathering};
  };
};

// Whether this scan shows a file's SHA-256 anywhere: a JSON report wherever it holds a file's
// checksums, a text report where a ticked category shows it at the level. Every checksum read
// then takes it, so no file is read twice.
bool ShowsSha256(const ScanChoices& choices) {
  return choices.format == ReportFormat::Json || TextShowsSha256(choices.ticked, choices.level);
}

}  // namespace

struct ScanSession::Platform {
  explicit Platform(std::unique_ptr<WmiService> service) : wmi(std::move(service)) {
    sources.Provide<WmiService>(*wmi);
    sources.Provide<RegistryRoutines>(registry);
    sources.Provide<SuspiciousFileSource>(files);
    sources.Provide<FileExaminations>(examined);
    sources.Provide<PerformanceSource>(performance);
    sources.Provide<HostsFileSource>(hosts);
    sources.Provide<AutostartSystem>(autostart);
    sources.Provide<UserProfileSystem>(profiles);
    sources.Provide<InstallerProducts>(installer);
    sources.Provide<UpdateHistory>(updates);
  }

  std::unique_ptr<WmiService> wmi;
  WindowsRegistry registry;
  DiskFileSource files;
  FileExaminations examined{files};
  PerformanceSource performance{ReadPerformanceInfo};
  WindowsHostsFile hosts;
  WindowsAutostartSystem autostart;
  WindowsUserProfiles profiles;
  WindowsInstallerProducts installer;
  WindowsUpdateHistory updates;
  Sources sources;
  PlatformCategories categories{sources};
};

ScanSession::ScanSession(std::unique_ptr<WmiService> wmi)
    : platform_(std::make_shared<Platform>(std::move(wmi))) {}
ScanSession::~ScanSession() = default;

SessionOutcome ScanSession::Run(const ScanChoices& choices, ScanHost& host, std::stop_token stop) {
  SessionOutcome outcome;
  ScanHelpers helpers;
  const bool json = choices.format == ReportFormat::Json;
  // The id heads a JSON report, and a redacted report of either kind hides it wherever it shows.
  std::optional<MachineId> machineId;
  if (json || choices.redact) machineId = ReadMachineId(*platform_->wmi, platform_->registry);
  if (choices.redact) {  // one redactor per report, numbering as the map says
    Result<Redactor> made = RedactorForThisMachine(choices.redaction, machineId, *platform_->wmi,
                                                   platform_->registry);
    if (made.Failed()) {
      outcome.redactionRefused = std::move(made.error);
      return outcome;
    }
    helpers.redactor = std::make_shared<Redactor>(std::move(made.value));
  }
  std::optional<JsonReport> document;
  if (json) {
    const JsonReportHeader header{ProgramVersion(), ThisComputerName(), Iso8601(LocalTimeNow()),
                                  choices.level, machineId};
    document.emplace(helpers.redactor ? RedactedHeader(header, *helpers.redactor) : header);
    helpers.json = &*document;
  }
  platform_->examined.BeginScan(ShowsSha256(choices));  // each scan reads its files afresh
  const std::shared_ptr<ScanCategories> categories(platform_, &platform_->categories);
  outcome.scan = RunScan(choices, categories, host, helpers, stop);
  platform_->examined.EndScan();  // and keeps nothing of them after
  // The report stands; only the next one may number its markers differently.
  if (helpers.redactor && outcome.scan.result == ScanResult::Saved) {
    outcome.mapNotKept = KeepRedactionMap(*helpers.redactor, choices.redaction);
  }
  return outcome;
}

}  // namespace sysinfo
