// The Host File Info collector over the real file.
#pragma once

#include <string>

namespace sysinfo {

class ReportWriter;

// The Host File Info collector: copies the hosts file at `path` into the report, line by line.
void CollectHostsFile(ReportWriter& report, const std::string& path);

}  // namespace sysinfo
