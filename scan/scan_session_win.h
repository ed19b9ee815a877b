// The scan both programs run: what the user chose, turned into one report of this machine.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/levels.h"
#include "scan/scan.h"
#include "scan/machine_identity.h"
#include "collectors/wmi.h"

namespace sysinfo {

// What the user asked for, from the window's controls or the runner's command line.
struct ScanChoices {
  std::string caption;  // the report's first line
  std::vector<bool> ticked;  // by position in the category list
  DetailLevel level = DetailLevel::Basic;  // None when no level is chosen
  bool redact = false;
  RedactionChoices redaction;
  ReportFormat format = ReportFormat::Text;
  std::string path;  // the report's file, or the save dialog's first proposal
  unsigned jobs = DefaultScanJobs();  // categories gathered at once; 1: one after the other
};

struct SessionOutcome {
  ScanOutcome scan;
  // Why a redacted report could not be made: nothing was scanned or written.
  Status redactionRefused;
  // Why the redacted report's markers could not be kept for the next one; the report stands.
  Status mapNotKept;
};

// The platform's sources, made once and kept for every scan the program runs: this WMI
// service, the registry, the disk and what the categories declare they read. For each scan it
// does what both programs need: a redactor that has learnt the machine, the JSON report's header,
// the categories run over the sources, the redaction map kept.
class ScanSession {
 public:
  explicit ScanSession(std::unique_ptr<WmiService> wmi);
  ~ScanSession();
  ScanSession(const ScanSession&) = delete;
  ScanSession& operator=(const ScanSession&) = delete;

  SessionOutcome Run(const ScanChoices& choices, ScanHost& host);

 private:
  struct Platform;
  std::unique_ptr<Platform> platform_;
};

}  // namespace sysinfo
