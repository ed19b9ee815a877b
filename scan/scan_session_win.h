// The scan both programs run: what the user chose, turned into one report of this machine.
#pragma once

#include <memory>
#include <stop_token>
#include <string>

#include "base/levels.h"
#include "scan/scan.h"
#include "scan/machine_identity.h"
#include "collectors/wmi.h"

namespace sysinfo {

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

  // A stop ends the scan as RunScan says; a category it leaves stalled keeps the sources alive.
  SessionOutcome Run(const ScanChoices& choices, ScanHost& host, std::stop_token stop = {});

 private:
  struct Platform;
  std::shared_ptr<Platform> platform_;
};

}  // namespace sysinfo
