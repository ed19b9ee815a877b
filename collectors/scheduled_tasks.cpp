// Scheduled tasks merged from the Task Scheduler, the task cache and the task files. The files are
// read by the bounded XML reader: a task file may be anything anyone with write access to the
// folder put there.
#include "collectors/scheduled_tasks.h"

#include <array>
#include <map>
#include <optional>
#include <utility>

#include "base/text.h"
#include "collectors/autostart_command.h"
#include "collectors/task_cache_actions.h"
#include "support/xml_reader.h"

namespace sysinfo {
namespace {

constexpr std::size_t kMaxDepth = 32;
constexpr std::string_view kTreeKey =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Schedule\\TaskCache\\Tree";
constexpr std::string_view kTasksKey =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Schedule\\TaskCache\\Tasks";
constexpr std::size_t kMaxKeyName = 255;
constexpr RegistryView kView = RegistryView::Only64Bit;
constexpr std::string_view kNoTaskFile = "no task file";

Error Unreadable(std::string reason) { return Failure(std::move(reason)); }

constexpr std::string_view kUtf16Bom = "\xFF\xFE";
// kMaxTaskFileSize is checked before the reader's own bound, which leaves room for the BOM a file
// written without one is given. No task holds more than a few hundred elements.
constexpr XmlLimits kTaskFileLimits{.maxBytes = kMaxTaskFileSize + kUtf16Bom.size(),
                                    .maxDepth = kMaxDepth,
                                    .maxElements = 65536,
                                    .maxAttributes = 64};

// The trigger's kind as the Task Scheduler numbers it (TASK_TRIGGER_TYPE2), by its element.
int TriggerType(std::string_view element) {
  constexpr std::array<std::pair<std::string_view, int>, 9> kTypes{
      {{"EventTrigger", 0},
       {"TimeTrigger", 1},
       {"CalendarTrigger", 2},
       {"IdleTrigger", 6},
       {"RegistrationTrigger", 7},
       {"BootTrigger", 8},
       {"LogonTrigger", 9},
       {"SessionStateChangeTrigger", 11},
       {"WnfStateChangeTrigger", 12}}};
  for (const auto& [name, type] : kTypes) {
    if (name == element) return type;
  }
  return -1;
}

// A calendar trigger's schedule says which calendar trigger it is.
int CalendarType(std::string_view schedule) {
  if (schedule == "ScheduleByWeek") return 3;
  if (schedule == "ScheduleByMonth") return 4;
  if (schedule == "ScheduleByMonthDayOfWeek") return 5;
  return 2;
}

bool IsFalse(std::string_view text) {
  text = Trim(TrimBlanks(text));
  return text == "false" || text == "0";
}

// An element's text without its leading and trailing spaces and tabs; a line end around it is
// kept, so a command that holds one shows it.
std::string_view TextOf(const XmlElement& element) { return Trim(TrimBlanks(element.text)); }

// One trigger below <Triggers>; nothing for an element that is no trigger. A part given twice
// counts as it is last given.
std::optional<TaskTrigger> TriggerOf(const XmlElement& element) {
  TaskTrigger trigger{TriggerType(element.LocalName()), "", true};
  if (trigger.type < 0) return std::nullopt;
  for (const XmlElement& part : element.children) {
    const std::string_view name = part.LocalName();
    if (name == "StartBoundary") {
      trigger.start = TextOf(part);
    } else if (name == "Enabled") {
      trigger.enabled = !IsFalse(part.text);
    } else if (element.LocalName() == "CalendarTrigger" && name.starts_with("Schedule")) {
      trigger.type = CalendarType(name);
    }
  }
  return trigger;
}

// A program or COM handler action. A COM handler's class is looked up by its text, so only a GUID
// is kept: anything else names no class the Task Scheduler could start, and could name another key
// than the class's.
void AddAction(const XmlElement& action, TaskDocument& document) {
  std::string_view command, arguments, classId;
  for (const XmlElement& part : action.children) {
    const std::string_view name = part.LocalName();
    if (name == "Command") command = TextOf(part);
    if (name == "Arguments") arguments = TextOf(part);
    if (name == "ClassId") classId = TextOf(part);
  }
  if (action.LocalName() == "Exec" && !command.empty()) {
    document.commands.push_back(CommandLineOf(command, arguments));
  } else if (action.LocalName() == "ComHandler") {
    if (auto handler = BracedGuid(classId)) document.handlers.push_back(std::move(*handler));
  }
}

// Actions are read below any <Actions>, not only the task's own, each where it ends: one hidden
// below an element the Task Scheduler passes over is listed all the same.
void AddActions(const XmlElement& element, TaskDocument& document) {
  for (const XmlElement& child : element.children) {
    AddActions(child, document);
    if (element.LocalName() == "Actions") AddAction(child, document);
  }
}

// The task's file as its root element. A file written as UTF-16 without its BOM is told by the NUL
// after its first '<'.
Result<XmlElement> ReadTaskXml(std::string_view bytes) {
  if (bytes.size() > kMaxTaskFileSize) return {{}, Unreadable("larger than 1 MiB")};
  if (!bytes.starts_with(std::string_view("<\0", 2)))
    return ReadXmlDocument(bytes, kTaskFileLimits);
  return ReadXmlDocument(std::string(kUtf16Bom) + std::string(bytes), kTaskFileLimits);
}

// The key of the cache's Tasks that holds a task's values, named by the task's Id; nothing for an
// Id that could name no single key there.
std::optional<std::string> TaskKey(const std::optional<RawRegistryValue>& id) {
  if (!id || id->type != kRegSz) return std::nullopt;
  const std::string name = RegistryValueText(ConvertQueriedValue(*id));
  if (name.empty() || name.size() > kMaxKeyName || name.find('\\') != std::string::npos)
    return std::nullopt;
  return std::string(kTasksKey) + "\\" + name;
}

// The cache's tasks, by their full path ("\Vendor\Update"), and the key of each one's values;
// folders nest only so deep.
struct CacheTree {
  std::map<std::string, ScheduledTask> tasks;
  std::map<std::string, std::string> taskKeys;
  FirstFailure failure;
};

void ReadTree(RegistryRoutines& keys, const std::string& path, const std::string& taskPath,
              std::size_t depth, CacheTree& tree) {
  FirstFailure& failure = tree.failure;
  for (const std::string& name :
       failure.Take(keys.SubkeyNames(RegistryRoot::LocalMachine, path, kView))) {
    const std::string key = path + "\\" + name;
    const std::string child = taskPath + "\\" + name;
    const auto id = failure.Take(keys.QueryValue(RegistryRoot::LocalMachine, key, "Id", kView));
    if (id) {
      Result<std::optional<RawRegistryValue>> sd = keys.QueryValue(RegistryRoot::LocalMachine, key,
                                                                   "SD", kView);
      const bool hidden = !sd.Failed() && !sd.value;  // a descriptor it may not read is there
      failure.Take(std::move(sd));
      ScheduledTask& task = tree.tasks[LowerCase(child)];
      if (auto values = TaskKey(id)) tree.taskKeys[LowerCase(child)] = std::move(*values);
      task.folder = taskPath.empty() ? "\\" : taskPath;
      task.name = name;
      task.source = "task cache";
      task.hidden = hidden;
      task.unread = kNoTaskFile;
    }
    if (depth < kMaxDepth) ReadTree(keys, key, child, depth + 1, tree);
  }
}

// A task file's path below the folder as its task's folder and name.
std::pair<std::string, std::string> FolderAndName(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  if (slash == std::string::npos || slash == 0) return {"\\", path.substr(slash + 1)};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

void AddTaskFile(TaskFile& file, std::map<std::string, ScheduledTask>& tasks) {
  ScheduledTask& task = tasks[LowerCase(file.path)];
  const bool cached = !task.source.empty();
  std::tie(task.folder, task.name) = FolderAndName(file.path);
  task.source = cached ? "task cache and task file" : "task file";
  Result<TaskDocument> document = file.unreadable.empty()
                                      ? ReadTaskDocument(file.bytes)
                                      : Result<TaskDocument>{{}, Unreadable(file.unreadable)};
  task.unread = document.Failed() ? "task file: " + document.error->message : "";
  task.enabled = document.value.enabled;
  task.commands = std::move(document.value.commands);
  task.handlers = std::move(document.value.handlers);
  task.triggers = std::move(document.value.triggers);
}

// A task without a readable file: the actions the cache keeps, its source saying so and why the
// file was not read. When the cache's cannot be read either, why not is added to the file's
// reason, with any actions read before the fault.
void AddCachedActions(RegistryRoutines& keys, const std::string& taskKey, ScheduledTask& task) {
  Result<std::optional<RawRegistryValue>> value = keys.QueryValue(RegistryRoot::LocalMachine,
                                                                  taskKey, "Actions", kView);
  if (!value.Failed() && !value.value) return;
  Result<CachedActions> actions = value.Failed() ? Result<CachedActions>{{}, value.error}
                                                 : DecodeTaskCacheActions(value.value->data);
  task.commands = std::move(actions.value.commands);
  task.handlers = std::move(actions.value.handlers);
  if (actions.Failed()) {
    task.unread += "; cached actions: " + actions.error->message;
    return;
  }
  task.source += " (actions from the cache" +
                 (task.unread == kNoTaskFile ? std::string() : "; " + task.unread) + ")";
  task.unread.clear();
}

}  // namespace

Result<TaskDocument> ReadTaskDocument(std::string_view bytes) {
  const Result<XmlElement> root = ReadTaskXml(bytes);
  if (root.Failed()) return {{}, root.error};
  if (root.value.LocalName() != "Task")
    return {
        {},
        Failure("the root element is <" + XmlShownName(root.value.LocalName()) + ">, not <Task>")};
  TaskDocument document;
  for (const XmlElement& part : root.value.children) {
    for (const XmlElement& child : part.children) {
      if (part.LocalName() == "Settings" && child.LocalName() == "Enabled") {
        document.enabled = !IsFalse(child.text);
      } else if (part.LocalName() == "Triggers") {
        if (auto trigger = TriggerOf(child)) document.triggers.push_back(std::move(*trigger));
      }
    }
  }
  AddActions(root.value, document);
  return {std::move(document), {}};
}

Result<std::vector<ScheduledTask>> GatherScheduledTasks(RegistryRoutines& keys,
                                                        AutostartSystem& system) {
  CacheTree stored;  // the cache's tasks, and the files' joined to them by path
  ReadTree(keys, std::string(kTreeKey), "", 0, stored);
  Status storedError;
  if (stored.failure.First()) {
    storedError = *stored.failure.First();
    storedError->message.insert(0, "HKEY_LOCAL_MACHINE\\" + std::string(kTreeKey) + ": ");
  }
  Result<std::vector<TaskFile>> files = system.TaskFiles();
  for (TaskFile& file : files.value) AddTaskFile(file, stored.tasks);
  if (files.Failed()) {
    files.error->message.insert(0, "Task files: ");
    for (auto& [path, task] : stored.tasks) {
      if (task.unread == kNoTaskFile) task.unread = files.error->message;
    }
    if (!storedError) storedError = std::move(files.error);
  }

  Result<std::vector<ScheduledTask>> tasks = system.ScheduledTasks();
  if (tasks.Failed()) tasks.error->message.insert(0, "Task Scheduler: ");
  // With the Task Scheduler's answer the cache and the files only add what it hides; without
  // it they are the list, and the category fails only when they could not be read either.
  if (!storedError) tasks.error.reset();
  for (ScheduledTask& task : tasks.value) {
    task.source = "Task Scheduler";
    const std::string path = task.folder == "\\" || task.folder.empty()
                                 ? "\\" + task.name
                                 : task.folder + "\\" + task.name;
    const auto found = stored.tasks.find(LowerCase(path));
    if (found != stored.tasks.end()) stored.tasks.erase(found);
  }
  // Only a task the Task Scheduler does not show is read from the cache's copy of its actions.
  for (auto& [path, task] : stored.tasks) {
    const auto values = stored.taskKeys.find(path);
    if (!task.unread.empty() && values != stored.taskKeys.end())
      AddCachedActions(keys, values->second, task);
    tasks.value.push_back(std::move(task));
  }
  return tasks;
}

}  // namespace sysinfo
