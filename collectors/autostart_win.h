// Autostart Entries over the real system: Startup folders, the Task Scheduler, image files.
#pragma once

#include "collectors/autostart.h"
#include "collectors/suspicious_files_win.h"

namespace sysinfo {

// Shortcuts resolved through IShellLinkW, task files read whole, tasks through the Task
// Scheduler 2.0 interfaces (both reached through COM, so no DLL of theirs is imported), files by
// their extended-length names.
class WindowsAutostartSystem final : public AutostartSystem {
 public:
  std::string WindowsFolder() override;
  std::string CurrentUserSid() override;
  std::string CommonStartupFolder() override;
  std::string UserStartupFolder() override;
  Result<std::vector<StartupFile>> StartupFiles(const std::string& folder) override;
  Result<std::vector<ScheduledTask>> ScheduledTasks() override;
  Result<std::vector<TaskFile>> TaskFiles() override;
  Result<std::optional<std::vector<EventSubscription>>> EventSubscriptions(
      std::string_view wmiNamespace) override;
  Result<std::optional<std::vector<BitsJob>>> BitsJobs() override;
  Result<std::optional<std::string>> SmallFile(const std::string& path,
                                               std::size_t maxBytes) override;
  bool IsFile(const std::string& path) override;
  FileTimes Times(const std::string& path) override;
  SourceValue TimeText(std::uint64_t fileTime) override;

 private:
  void AddTaskFiles(const std::string& folder, const std::string& taskPath, int depth,
                    Result<std::vector<TaskFile>>& files);
  DiskFileSource files_;  // the folder listings Suspicious Files reads
};

}  // namespace sysinfo
