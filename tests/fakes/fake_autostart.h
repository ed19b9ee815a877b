// A system of Startup folders and scheduled tasks for tests, empty until a test fills it.
#pragma once

#include <map>
#include <set>
#include <string>

#include "collectors/autostart.h"

namespace sysinfo::testing {

class FakeAutostartSystem final : public AutostartSystem {
 public:
  std::string sid = "S-1-5-21-1-2-3-1001";
  std::set<std::string> files;
  std::map<std::string, std::vector<StartupFile>> folders;
  Result<std::vector<ScheduledTask>> tasks;
  Result<std::vector<TaskFile>> taskFiles;
  // By namespace; a namespace not in the map does not exist.
  std::map<std::string, Result<std::vector<EventSubscription>>> subscriptions{
      {"root\\subscription", {}}, {"root\\default", {}}};
  Result<std::optional<std::vector<BitsJob>>> bitsJobs{std::vector<BitsJob>{}, {}};
  std::map<std::string, std::string> smallFiles;

  std::string WindowsFolder() override { return "C:\\Windows"; }
  std::string CurrentUserSid() override { return sid; }
  std::string CommonStartupFolder() override { return "C:\\ProgramData\\Startup"; }
  std::string UserStartupFolder() override { return "C:\\Users\\me\\Startup"; }
  Result<std::vector<StartupFile>> StartupFiles(const std::string& folder) override {
    return {folders[folder], {}};
  }
  Result<std::vector<ScheduledTask>> ScheduledTasks() override { return tasks; }
  Result<std::vector<TaskFile>> TaskFiles() override { return taskFiles; }
  Result<std::optional<std::vector<EventSubscription>>> EventSubscriptions(
      std::string_view wmiNamespace) override {
    const auto found = subscriptions.find(std::string(wmiNamespace));
    if (found == subscriptions.end()) return {std::nullopt, {}};
    return {found->second.value, found->second.error};
  }
  Result<std::optional<std::vector<BitsJob>>> BitsJobs() override { return bitsJobs; }
  Result<std::optional<std::string>> SmallFile(const std::string& path, std::size_t) override {
    const auto found = smallFiles.find(path);
    if (found == smallFiles.end()) return {std::nullopt, {}};
    return {found->second, {}};
  }
  bool IsFile(const std::string& path) override {
    return files.count(path) > 0 || smallFiles.count(path) > 0;
  }
  FileTimes Times(const std::string& path) override { return {"made " + path, "changed"}; }
  SourceValue TimeText(std::uint64_t fileTime) override { return "T" + std::to_string(fileTime); }
};

}  // namespace sysinfo::testing
