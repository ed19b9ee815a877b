// Scheduled tasks merged from the Task Scheduler, the task cache and the task files. The files are
// read by a reader that knows only the few elements wanted: a task file may be anything anyone
// with write access to the folder put there.
#include "collectors/scheduled_tasks.h"

#include <array>
#include <map>
#include <utility>

#include "base/text.h"
#include "base/wtf8.h"
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

// The document as UTF-8: UTF-16 LE by its BOM (or by a '<' followed by a NUL), else UTF-8.
Result<std::string> DocumentText(std::string_view bytes) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (bytes.size() > kMaxTaskFileSize) return {{}, Unreadable("larger than 1 MiB")};
  if (bytes.starts_with("\xFE\xFF")) return {{}, Unreadable("UTF-16 big-endian is not read")};
  if (bytes.starts_with("\xFF\xFE")) return {Utf16BytesToUtf8(data + 2, bytes.size() - 2), {}};
  if (bytes.size() >= 2 && bytes[0] == '<' && bytes[1] == '\0')
    return {Utf16BytesToUtf8(data, bytes.size()), {}};
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return {std::string(bytes), {}};
}

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

class TaskDocumentReader {
 public:
  explicit TaskDocumentReader(std::string_view text) : text_(text) {}

  Result<TaskDocument> Read() {
    while (at_ < text_.size() && !failed_) {
      if (text_[at_] != '<') {
        ReadText();
      } else if (Skip("<?")) {
        SkipPast("?>", "an unclosed processing instruction");
      } else if (Skip("<!--")) {
        SkipPast("-->", "an unclosed comment");
      } else if (Skip("<![CDATA[")) {
        const std::size_t end = text_.find("]]>", at_);
        if (end == std::string_view::npos) return Fail("an unclosed CDATA section");
        content_ += text_.substr(at_, end - at_);
        at_ = end + 3;
      } else if (text_.substr(at_).starts_with("<!")) {
        return Fail("a document type declaration, which is not read");
      } else if (Skip("</")) {
        ReadEndTag();
      } else {
        ReadStartTag();
      }
    }
    if (failed_) return {{}, std::move(error_)};
    if (!open_.empty())
      return Fail("the document ends inside <" + XmlShownName(open_.back()) + ">");
    if (!sawRoot_) return Fail("no root element");
    return {std::move(document_), {}};
  }

 private:
  Result<TaskDocument> Fail(std::string reason) {
    if (!failed_) error_ = Unreadable(std::move(reason));
    failed_ = true;
    return {{}, error_};
  }

  bool Skip(std::string_view start) {
    if (!text_.substr(at_).starts_with(start)) return false;
    at_ += start.size();
    return true;
  }

  void SkipPast(std::string_view end, std::string reason) {
    const std::size_t found = text_.find(end, at_);
    if (found == std::string_view::npos) {
      Fail(std::move(reason));
    } else {
      at_ = found + end.size();
    }
  }

  // Character data up to the next tag, its references replaced.
  void ReadText() {
    const std::size_t end = std::min(text_.find('<', at_), text_.size());
    const std::string_view text = text_.substr(at_, end - at_);
    at_ = end;
    if (open_.empty()) {
      if (text.find_first_not_of(" \t\r\n") != std::string_view::npos)
        Fail("text outside the root element");
      return;
    }
    for (std::size_t i = 0; i < text.size() && !failed_; ++i) {
      if (text[i] == '\0') {
        Fail("a NUL character");
      } else if (text[i] != '&') {
        content_ += text[i];
      } else {
        i = ReadReference(text, i);
      }
    }
  }

  // The reference at text[amp]; gives where it ends.
  std::size_t ReadReference(std::string_view text, std::size_t amp) {
    const std::size_t semicolon = text.find(';', amp);
    if (semicolon == std::string_view::npos || semicolon - amp > 12) {
      Fail("a '&' that starts no reference");
      return text.size();
    }
    const std::string_view name = text.substr(amp + 1, semicolon - amp - 1);
    const Result<std::string> referenced = XmlReferenceText(name);
    if (referenced.Failed()) {
      Fail(referenced.error->message);
      return text.size();
    }
    content_ += referenced.value;
    return semicolon;
  }

  std::string_view ReadName() {
    const std::size_t start = at_;
    while (at_ < text_.size() &&
           std::string_view(" \t\r\n/>").find(text_[at_]) == std::string_view::npos)
      ++at_;
    return text_.substr(start, at_ - start);
  }

  void SkipSpace() {
    while (at_ < text_.size() &&
           std::string_view(" \t\r\n").find(text_[at_]) != std::string_view::npos)
      ++at_;
  }

  void ReadStartTag() {
    ++at_;
    const std::string_view name = ReadName();
    if (name.empty()) {
      Fail("a '<' that starts no element");
      return;
    }
    if (open_.empty() && sawRoot_) {
      Fail("a second root element <" + XmlShownName(name) + ">");
      return;
    }
    if (open_.size() >= kMaxDepth) {
      Fail("elements nested deeper than 32");
      return;
    }
    // Attributes are passed over; their quoted values may hold '>' and '/'.
    for (SkipSpace(); at_ < text_.size() && text_[at_] != '>' && text_[at_] != '/'; SkipSpace()) {
      const std::size_t quote = text_.find_first_of("\"'", at_);
      const std::size_t close = quote == std::string_view::npos
                                    ? quote
                                    : text_.find(text_[quote], quote + 1);
      if (close == std::string_view::npos ||
          text_.substr(at_, quote - at_).find_first_of("<>") != std::string_view::npos) {
        Fail("an unclosed attribute in <" + XmlShownName(name) + ">");
        return;
      }
      at_ = close + 1;
    }
    const bool empty = Skip("/");
    if (!Skip(">")) {
      Fail("an unclosed tag <" + XmlShownName(name) + ">");
      return;
    }
    sawRoot_ = true;
    open_.emplace_back(LocalName(name));
    Opened();
    if (empty) Closed();
  }

  void ReadEndTag() {
    const std::string_view name = LocalName(ReadName());
    SkipSpace();
    if (!Skip(">") || open_.empty() || open_.back() != name) {
      Fail("</" + XmlShownName(name) + "> while " +
           (open_.empty() ? std::string("nothing") : "<" + XmlShownName(open_.back()) + ">") +
           " is open");
      return;
    }
    Closed();
  }

  static std::string_view LocalName(std::string_view name) {
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
  }

  // The open element `up` levels above the innermost (0: the innermost); empty above the root.
  std::string_view Open(std::size_t up) const {
    return up < open_.size() ? std::string_view(open_[open_.size() - 1 - up]) : "";
  }

  void Opened() {
    content_.clear();
    if (open_.size() == 1 && Open(0) != "Task") {
      Fail("the root element is <" + XmlShownName(Open(0)) + ">, not <Task>");
    } else if (Open(0) == "Exec" && Open(1) == "Actions") {
      command_.clear();
      arguments_.clear();
    } else if (Open(0) == "ComHandler" && Open(1) == "Actions") {
      classId_.clear();
    } else if (Open(1) == "Triggers" && Open(2) == "Task") {
      trigger_ = {TriggerType(Open(0)), "", true};
    } else if (Open(1) == "CalendarTrigger" && Open(2) == "Triggers") {
      if (Open(0).starts_with("Schedule")) trigger_.type = CalendarType(Open(0));
    }
  }

  void Closed() {
    const std::string_view text = Trim(TrimBlanks(content_));
    const std::string_view element = Open(0);
    if (element == "Command" && Open(1) == "Exec") {
      command_ = text;
    } else if (element == "Arguments" && Open(1) == "Exec") {
      arguments_ = text;
    } else if (element == "Exec" && Open(1) == "Actions" && !command_.empty()) {
      document_.commands.push_back(CommandLineOf(command_, arguments_));
    } else if (element == "ClassId" && Open(1) == "ComHandler") {
      classId_ = text;
    } else if (element == "ComHandler" && Open(1) == "Actions") {
      AddHandler();
    } else if (element == "Enabled" && Open(1) == "Settings" && Open(2) == "Task") {
      document_.enabled = !IsFalse(text);
    } else if (element == "StartBoundary" && Open(2) == "Triggers") {
      trigger_.start = text;
    } else if (element == "Enabled" && Open(2) == "Triggers") {
      trigger_.enabled = !IsFalse(text);
    } else if (Open(1) == "Triggers" && Open(2) == "Task" && trigger_.type >= 0) {
      document_.triggers.push_back(trigger_);
    }
    open_.pop_back();
    content_.clear();
  }

  // The class is looked up by its text, so only a GUID is kept: anything else names no class the
  // Task Scheduler could start, and could name another key than the class's.
  void AddHandler() {
    if (auto handler = BracedGuid(classId_)) document_.handlers.push_back(std::move(*handler));
  }

  std::string_view text_;
  std::size_t at_ = 0;
  bool failed_ = false;
  bool sawRoot_ = false;
  Error error_;
  std::vector<std::string> open_;  // the open elements' local names, the root first
  std::string content_;  // the text of the innermost open element so far
  std::string command_;  // the Exec action being read
  std::string arguments_;
  std::string classId_;  // the ComHandler action being read
  TaskTrigger trigger_;  // the trigger being read
  TaskDocument document_;
};

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
  Result<std::string> text = DocumentText(bytes);
  if (text.Failed()) return {{}, std::move(text.error)};
  return TaskDocumentReader(text.value).Read();
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
