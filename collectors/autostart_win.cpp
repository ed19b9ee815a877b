// Autostart Entries over the real system: shortcuts, scheduled tasks, image files, the user's SID.
#include "collectors/autostart_win.h"

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>
#include <taskschd.h>
#include <wrl/client.h>

#include "base/handles_win.h"
#include "base/locale_win.h"
#include "base/text.h"
#include "base/special_folders_win.h"
#include "base/unicode_win.h"
#include "collectors/autostart_command.h"
#include "collectors/event_consumers_win.h"
#include "collectors/scheduled_tasks.h"
#include "collectors/task_cache_actions.h"
#include "collectors/user_profiles_win.h"
#include "collectors/wmi_win.h"
#include "support/extended_path.h"
#include "support/file_reader_win.h"

namespace sysinfo {
namespace {

using Microsoft::WRL::ComPtr;

// The Task Scheduler 2.0 class; defined here so that no import library of taskschd is linked.
constexpr CLSID kTaskSchedulerClass = {
    0x0f87369f, 0xa4e5, 0x4cfc, {0xbd, 0x3e, 0x73, 0xe6, 0x15, 0x45, 0x72, 0xdd}};

// The COM handler action, which mingw-w64's taskschd.h does not declare: IAction's methods, then
// these, in the order of the Windows SDK's taskschd.h.
struct ComHandlerAction : IAction {
  virtual HRESULT STDMETHODCALLTYPE get_ClassId(BSTR* classId) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ClassId(BSTR classId) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Data(BSTR* data) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Data(BSTR data) = 0;
};
constexpr IID kComHandlerActionInterface = {
    0x6d2fd252, 0x75c5, 0x4f66, {0x90, 0xba, 0x2a, 0x7d, 0x8c, 0xc3, 0x03, 0x9f}};

// Task folders nest only so deep, whatever the service answers.
constexpr int kMaxFolderDepth = 32;
constexpr DWORD kShortcutTextLength = 32768;

std::string Text(const UniqueBstr& text) { return text ? WideToUtf8(text.get()) : std::string(); }

// The shortcut's target and arguments as stored (variables unexpanded); nothing when it
// cannot be read or names no file.
std::optional<std::string> ShortcutCommand(const std::string& path) {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (FAILED(
          CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
      FAILED(link.As(&file)) || FAILED(file->Load(Utf8ToWide(path).c_str(), STGM_READ))) {
    return std::nullopt;
  }
  std::wstring target(kShortcutTextLength, L'\0');
  if (link->GetPath(target.data(), kShortcutTextLength, nullptr, SLGP_RAWPATH) != S_OK) {
    return std::nullopt;
  }
  std::wstring arguments(kShortcutTextLength, L'\0');
  if (FAILED(link->GetArguments(arguments.data(), kShortcutTextLength))) arguments.clear();
  return CommandLineOf(WideToUtf8(target.c_str()), WideToUtf8(arguments.c_str()));
}

VARIANT IndexVariant(LONG index) {
  VARIANT variant;
  VariantInit(&variant);
  variant.vt = VT_I4;
  variant.lVal = index;
  return variant;
}

// Walks the task folders from the root, keeping each task's program actions and triggers.
class TaskReader {
 public:
  Result<std::vector<ScheduledTask>> Read() {
    const ComApartment apartment;
    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> root;
    HRESULT hr = CoCreateInstance(kTaskSchedulerClass, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&service));
    if (SUCCEEDED(hr)) hr = service->Connect(VARIANT{}, VARIANT{}, VARIANT{}, VARIANT{});
    const UniqueBstr rootPath(SysAllocString(L"\\"));
    if (SUCCEEDED(hr)) hr = service->GetFolder(rootPath.get(), &root);
    if (FAILED(hr)) {
      Fail(hr);
    } else {
      ReadFolder(root.Get(), 0);
    }
    return std::move(tasks_);
  }

 private:
  void Fail(HRESULT hr) {
    if (!tasks_.error) tasks_.error = SystemError(static_cast<DWORD>(hr));
  }

  void ReadFolder(ITaskFolder* folder, int depth) {
    UniqueBstr path;
    folder->get_Path(path.put());
    ComPtr<IRegisteredTaskCollection> tasks;
    LONG count = 0;
    HRESULT hr = folder->GetTasks(TASK_ENUM_HIDDEN, &tasks);
    if (SUCCEEDED(hr)) hr = tasks->get_Count(&count);
    if (FAILED(hr)) Fail(hr);
    for (LONG i = 1; i <= count; ++i) {
      ComPtr<IRegisteredTask> task;
      if (SUCCEEDED(tasks->get_Item(IndexVariant(i), &task))) AddTask(Text(path), task.Get());
    }
    ComPtr<ITaskFolderCollection> folders;
    count = 0;
    hr = folder->GetFolders(0, &folders);
    if (SUCCEEDED(hr)) hr = folders->get_Count(&count);
    if (FAILED(hr)) Fail(hr);
    for (LONG i = 1; i <= count && depth < kMaxFolderDepth; ++i) {
      ComPtr<ITaskFolder> child;
      if (SUCCEEDED(folders->get_Item(IndexVariant(i), &child))) ReadFolder(child.Get(), depth + 1);
    }
  }

  void AddTask(const std::string& folder, IRegisteredTask* registered) {
    ScheduledTask& task = tasks_.value.emplace_back();
    task.folder = folder;
    UniqueBstr name;
    registered->get_Name(name.put());
    task.name = Text(name);
    VARIANT_BOOL enabled = VARIANT_TRUE;
    registered->get_Enabled(&enabled);
    task.enabled = enabled != VARIANT_FALSE;
    ComPtr<ITaskDefinition> definition;
    if (FAILED(registered->get_Definition(&definition))) return;
    AddActions(task, definition.Get());
    AddTriggers(task, definition.Get());
  }

  static void AddActions(ScheduledTask& task, ITaskDefinition* definition) {
    ComPtr<IActionCollection> actions;
    LONG count = 0;
    if (FAILED(definition->get_Actions(&actions)) || FAILED(actions->get_Count(&count))) return;
    for (LONG i = 1; i <= count; ++i) {
      ComPtr<IAction> action;
      TASK_ACTION_TYPE type{};
      if (FAILED(actions->get_Item(i, &action)) || FAILED(action->get_Type(&type))) continue;
      if (type == TASK_ACTION_EXEC) AddProgram(task, action.Get());
      if (type == TASK_ACTION_COM_HANDLER) AddHandler(task, action.Get());
    }
  }

  static void AddProgram(ScheduledTask& task, IAction* action) {
    ComPtr<IExecAction> exec;
    if (FAILED(action->QueryInterface(IID_PPV_ARGS(&exec)))) return;
    UniqueBstr path;
    UniqueBstr arguments;
    exec->get_Path(path.put());
    exec->get_Arguments(arguments.put());
    task.commands.push_back(CommandLineOf(Text(path), Text(arguments)));
  }

  // Only a GUID names a class; the service checked it when the task was registered.
  static void AddHandler(ScheduledTask& task, IAction* action) {
    ComPtr<ComHandlerAction> handler;
    UniqueBstr classId;
    if (FAILED(action->QueryInterface(kComHandlerActionInterface,
                                      reinterpret_cast<void**>(handler.GetAddressOf()))) ||
        FAILED(handler->get_ClassId(classId.put()))) {
      return;
    }
    if (auto braced = BracedGuid(Text(classId))) task.handlers.push_back(std::move(*braced));
  }

  static void AddTriggers(ScheduledTask& task, ITaskDefinition* definition) {
    ComPtr<ITriggerCollection> triggers;
    LONG count = 0;
    if (FAILED(definition->get_Triggers(&triggers)) || FAILED(triggers->get_Count(&count))) return;
    for (LONG i = 1; i <= count; ++i) {
      ComPtr<ITrigger> trigger;
      if (FAILED(triggers->get_Item(i, &trigger))) continue;
      TASK_TRIGGER_TYPE2 type{};
      UniqueBstr start;
      VARIANT_BOOL enabled = VARIANT_TRUE;
      trigger->get_Type(&type);
      trigger->get_StartBoundary(start.put());
      trigger->get_Enabled(&enabled);
      task.triggers.push_back({static_cast<int>(type), Text(start), enabled != VARIANT_FALSE});
    }
  }

  Result<std::vector<ScheduledTask>> tasks_;
};

// A task file's bytes, a byte past the largest a task file may be at most, or why it could not
// be read.
TaskFile ReadTaskFile(const std::string& path, std::string taskPath) {
  Result<std::string> read = ReadFileStart(path, kMaxTaskFileSize);
  return {std::move(taskPath), std::move(read.value), read.Failed() ? read.error->message : ""};
}

}  // namespace

std::string WindowsAutostartSystem::WindowsFolder() {
  std::string folder = GetSpecialFolder(kFolderWindows);
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

std::string WindowsAutostartSystem::CurrentUserSid() { return CurrentUserSidText(); }

std::string WindowsAutostartSystem::CommonStartupFolder() {
  return GetSpecialFolder(CSIDL_COMMON_STARTUP);
}

std::string WindowsAutostartSystem::UserStartupFolder() { return GetSpecialFolder(CSIDL_STARTUP); }

Result<std::vector<StartupFile>> WindowsAutostartSystem::StartupFiles(const std::string& folder) {
  const ComApartment apartment;
  FolderListing listing = files_.FindEntries(folder + "\\*");
  Result<std::vector<StartupFile>> files{{}, std::move(listing.error)};
  for (const FileFacts& entry : listing.value) {
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::string path = folder + "\\" + entry.name;
    const bool shortcut = entry.name.size() > 4 && EndsWithIgnoreCase(entry.name, ".lnk");
    const auto target = shortcut ? ShortcutCommand(path) : std::nullopt;
    files.value.push_back({entry.name, target.value_or(CommandLineOf(path, ""))});
  }
  return files;
}

Result<std::vector<ScheduledTask>> WindowsAutostartSystem::ScheduledTasks() {
  return TaskReader().Read();
}

Result<std::vector<TaskFile>> WindowsAutostartSystem::TaskFiles() {
  Result<std::vector<TaskFile>> files;
  AddTaskFiles(WindowsFolder() + "\\System32\\Tasks", "", 0, files);
  return files;
}

// Folders nest only so deep; a linked folder is not followed, so no folder is read twice.
void WindowsAutostartSystem::AddTaskFiles(const std::string& folder, const std::string& taskPath,
                                          int depth, Result<std::vector<TaskFile>>& files) {
  FolderListing listing = files_.FindEntries(folder + "\\*");
  if (listing.Failed() && !files.error) files.error = std::move(listing.error);
  for (const FileFacts& entry : listing.value) {
    if (entry.name == "." || entry.name == "..") continue;
    const std::string path = folder + "\\" + entry.name;
    if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      files.value.push_back(ReadTaskFile(path, taskPath + "\\" + entry.name));
    } else if (!(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) && depth < kMaxFolderDepth) {
      AddTaskFiles(path, taskPath + "\\" + entry.name, depth + 1, files);
    }
  }
}

Result<std::optional<std::vector<EventSubscription>>> WindowsAutostartSystem::EventSubscriptions(
    std::string_view wmiNamespace) {
  return ReadEventSubscriptions(wmiNamespace);
}

Result<std::optional<std::vector<BitsJob>>> WindowsAutostartSystem::BitsJobs() {
  return ReadBitsJobs();
}

Result<std::optional<std::string>> WindowsAutostartSystem::SmallFile(const std::string& path,
                                                                     std::size_t maxBytes) {
  return ReadSmallFile(path, maxBytes);
}

bool WindowsAutostartSystem::IsFile(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  return IsFullPath(path) &&
         GetFileAttributesExW(ExtendedWidePath(path).c_str(), GetFileExInfoStandard, &data) &&
         !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileTimes WindowsAutostartSystem::Times(const std::string& path) {
  // The listing of the exact name: the times Suspicious Files reads, written as it writes them.
  const FolderListing listing = files_.FindEntries(path);
  if (listing.value.size() != 1) return {};
  return {listing.value.front().created, listing.value.front().modified};
}

SourceValue WindowsAutostartSystem::TimeText(std::uint64_t fileTime) {
  const FILETIME time{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
  if (auto moment = FileTimeToMoment(time)) return std::move(*moment);
  return std::string();
}

}  // namespace sysinfo
