// A whole machine of fakes provided to a scan of every category.
#pragma once

#include "collectors/autostart.h"
#include "collectors/file_examinations.h"
#include "collectors/hosts_file.h"
#include "collectors/performance.h"
#include "collectors/sources.h"
#include "collectors/suspicious_files.h"
#include "collectors/user_profiles.h"
#include "collectors/user_software.h"
#include "collectors/windows_updates.h"
#include "collectors/wmi.h"
#include "support/registry.h"

namespace sysinfo::testing {

// Provides each service a machine of fakes holds, by the member that holds it, so a test that scans
// every category names no source twice and none is left out as the list grows.
template <class Machine>
void ProvideEverySource(Machine& machine) {
  machine.sources.template Provide<WmiService>(machine.wmi);
  machine.sources.template Provide<RegistryRoutines>(machine.registry);
  machine.sources.template Provide<SuspiciousFileSource>(machine.files);
  machine.sources.template Provide<FileExaminations>(machine.examined);
  machine.sources.template Provide<PerformanceSource>(machine.performance);
  machine.sources.template Provide<HostsFileSource>(machine.hosts);
  machine.sources.template Provide<AutostartSystem>(machine.autostart);
  machine.sources.template Provide<UserProfileSystem>(machine.profiles);
  machine.sources.template Provide<InstallerProducts>(machine.installer);
  machine.sources.template Provide<UpdateHistory>(machine.updates);
}

}  // namespace sysinfo::testing
