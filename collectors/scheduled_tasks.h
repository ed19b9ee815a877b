// Scheduled tasks from the three places Windows keeps them: the Task Scheduler's own answer, the
// task cache in the registry and the task files, merged by each task's path.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "collectors/autostart.h"
#include "support/registry.h"

namespace sysinfo {

// A task file is read whole; anything larger is no task Windows wrote.
inline constexpr std::size_t kMaxTaskFileSize = 1024 * 1024;

// What a task file says of its task.
struct TaskDocument {
  bool enabled = true;
  std::vector<std::string> commands;  // each program action's Command and Arguments, joined
  std::vector<std::string> handlers;  // each COM handler action's ClassId, "{...}" in upper case
  std::vector<TaskTrigger> triggers;
};

// The file is hostile input: UTF-16 LE with its BOM or UTF-8, at most kMaxTaskFileSize bytes,
// elements nested at most 32 deep; no document type is read and no entity but the five predefined
// ones and numeric references. A file that is none of that gives a short printable reason. A COM
// handler's ClassId that is not a GUID is left out.
Result<TaskDocument> ReadTaskDocument(std::string_view bytes);

// Every task once, by its path in any letter case: the Task Scheduler's own list when it could be
// read, and what the task cache and the task files add to it (a task whose security descriptor
// was deleted is in the cache but hidden from the Task Scheduler). A task's file gives its
// actions; a task without a readable file has the actions the cache keeps (its source then says
// so, with why the file was not read). The Task Scheduler's failure fails the gathering only when
// the cache or the files could not be read either.
Result<std::vector<ScheduledTask>> GatherScheduledTasks(RegistryRoutines& keys,
                                                        AutostartSystem& system);

}  // namespace sysinfo
