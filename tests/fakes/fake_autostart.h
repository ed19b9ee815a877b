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

  std::string WindowsFolder() override { return "C:\\Windows"; }
  std::string CurrentUserSid() override { return sid; }
  std::string CommonStartupFolder() override { return "C:\\ProgramData\\Startup"; }
  std::string UserStartupFolder() override { return "C:\\Users\\me\\Startup"; }
  Result<std::vector<StartupFile>> StartupFiles(const std::string& folder) override {
    return {folders[folder], {}};
  }
  Result<std::vector<ScheduledTask>> ScheduledTasks() override { return tasks; }
  Result<std::vector<TaskFile>> TaskFiles() override { return taskFiles; }
  bool IsFile(const std::string& path) override { return files.count(path) > 0; }
  FileTimes Times(const std::string& path) override { return {"made " + path, "changed"}; }
  SourceValue TimeText(std::uint64_t fileTime) override { return "T" + std::to_string(fileTime); }
};

}  // namespace sysinfo::testing
