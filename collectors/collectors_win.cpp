// The platform sources bundled once, and each category run over them with the file system it needs.
#include "collectors/collectors_win.h"

#include <memory>
#include <optional>

#include "base/fs_redirection_win.h"
#include "collectors/categories.h"
#include "collectors/hosts_file_win.h"
#include "collectors/performance_win.h"
#include "collectors/suspicious_files_win.h"
#include "support/registry_win.h"

namespace sysinfo {
namespace {

// The platform's sources, kept together for as long as scans run.
class RealSources {
 public:
  RealSources(WmiService& wmi, const std::string& hostsPath)
      : sources_{wmi, registry_, files_, ReadPerformanceInfo, hostsPath, CollectHostsFile} {}
  RealSources(const RealSources&) = delete;
  RealSources& operator=(const RealSources&) = delete;

  void Collect(ReportWriter& report, std::size_t index, int level) {
    const CategoryRow& row = kCategoryRows[index];
    std::optional<FsRedirectionOff> redirectionOff;
    if (row.files == FileView::Native) redirectionOff.emplace();
    row.collect(report, sources_, level);
  }

 private:
  WindowsRegistry registry_;
  DiskFileSource files_;
  Sources sources_;
};

}  // namespace

Collector RealCollector(WmiService& wmi, const std::string& hostsPath) {
  auto sources = std::make_shared<RealSources>(wmi, hostsPath);
  return [sources](ReportWriter& report, std::size_t index, int level) {
    sources->Collect(report, index, level);
  };
}

}  // namespace sysinfo
