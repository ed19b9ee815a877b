// The Autostart Entries category: everything that starts with Windows, where it is registered,
// the file it runs and what is known of that file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/levels.h"
#include "base/result.h"
#include "base/value.h"
#include "collectors/autostart_command.h"
#include "support/authenticode.h"
#include "support/registry.h"

namespace sysinfo {

class FileExaminations;
class ReportWriter;
class UserProfileSystem;

// Whether the user turned an entry on or off in Task Manager, from its StartupApproved value.
struct StartupApproval {
  bool enabled = true;
  std::uint64_t changed = 0;  // when, as a FILETIME; 0 when the value does not say
};

// The value's first byte says it (even: enabled, 02 or 06; odd: disabled, 03, 07, 01), the eight
// bytes after the first four when. Nothing for a value too short to say.
std::optional<StartupApproval> DecodeStartupApproved(std::span<const std::uint8_t> value);

// One thing that starts by itself.
struct AutostartEntry {
  std::string family;  // "Logon", "Services", "WMI", ...: what kind of place it is registered in
  std::string location;  // the key, folder or task folder it is registered in
  std::string name;  // the value, file, task, service or program it is registered as
  std::string command;  // as stored
  std::string state;  // "Enabled", "Disabled", how a service starts, ...
  std::string triggers;  // a scheduled task's triggers in one line; empty for the others
  std::string source;  // where a scheduled task was read (ScheduledTask::source); empty for others
  std::uint64_t stateChanged = 0;  // when the user turned it off or on (FILETIME); 0 unknown
  ImageRule rule = ImageRule::CommandLine;
  bool wow32 = false;  // a 32-bit program's entry: its System32 is SysWOW64
  std::string user;  // the SID whose environment and folders it expands in; empty: the scan's own
  std::string image;  // the file the command runs, once resolved
  std::string noFile;  // why it names no file (ImageRule::NoFile)
};

// A file in a Startup folder: a shortcut's target and arguments, any other file itself.
struct StartupFile {
  std::string name;
  std::string command;
};

// A trigger of a scheduled task: its kind (the TASK_TRIGGER_TYPE2 number) and when it starts.
struct TaskTrigger {
  int type = 0;
  std::string start;  // the start boundary as the task stores it; may be empty
  bool enabled = true;
};

// A scheduled task with its program actions.
struct ScheduledTask {
  std::string folder;  // "\" or "\Microsoft\Windows\Defrag"
  std::string name;
  bool enabled = true;
  std::vector<std::string> commands;  // each program action's path and arguments
  std::vector<TaskTrigger> triggers;
  std::string source;  // where it was read: "Task Scheduler", "task cache", "task file", ...
  bool hidden = false;  // in the task cache without its security descriptor, unseen by the API
  std::string unread;  // why its actions are not known; empty when they are
  std::vector<std::string> handlers;  // each COM handler action's class, "{...}"
};

// A file of the Tasks folder: its path below that folder ("\Vendor\Update") and its bytes, or
// why it could not be read.
struct TaskFile {
  std::string path;
  std::string bytes;
  std::string unreadable;
};

// A WMI permanent event subscription: a binding of an event filter to a consumer, with what the
// consumer runs. Texts as WMI holds them; empty where the consumer has no such property.
struct EventSubscription {
  std::string wmiNamespace;  // "root\\subscription"
  std::string filter;  // the filter's Name
  std::string query;  // the filter's Query
  std::string consumerClass;  // "CommandLineEventConsumer", "ActiveScriptEventConsumer", ...
  std::string consumer;  // the consumer's Name
  std::string executablePath;  // command-line consumer
  std::string commandLine;  // command-line consumer's CommandLineTemplate
  std::string scriptFile;  // script consumer's ScriptFileName
  std::string scriptText;  // script consumer's inline ScriptText
};

// A BITS job that runs a program when it ends.
struct BitsJob {
  std::string name;  // its display name
  std::string id;  // its GUID in braces
  std::string owner;  // the owner's SID
  std::string notifyProgram;
  std::string notifyParameters;
};

// A regular file's times as the report writes them (Moment); empty text where unknown.
struct FileTimes {
  SourceValue created = std::string();
  SourceValue modified = std::string();
};

// What the registry cannot give: the Startup folders, the scheduled tasks, whether an image file
// is there and its times.
class AutostartSystem {
 public:
  static constexpr std::string_view kSourceName = "Startup folders and Task Scheduler";
  virtual ~AutostartSystem() = default;
  virtual std::string WindowsFolder() = 0;  // "C:\Windows"
  virtual std::string CurrentUserSid() = 0;  // whose hive HKEY_CURRENT_USER is
  virtual std::string CommonStartupFolder() = 0;  // empty when it cannot be resolved
  virtual std::string UserStartupFolder() = 0;
  // The files of a folder, shortcuts resolved. A folder that is not there lists nothing.
  virtual Result<std::vector<StartupFile>> StartupFiles(const std::string& folder) = 0;
  // Every task of every folder, with the reason when a folder could not be read.
  virtual Result<std::vector<ScheduledTask>> ScheduledTasks() = 0;
  // Every file below System32\Tasks, each at most kMaxTaskFileSize and a byte more; the reason
  // when a folder could not be listed. No folder lists nothing.
  virtual Result<std::vector<TaskFile>> TaskFiles() = 0;
  // The bindings of a WMI namespace; nothing when the namespace does not exist.
  virtual Result<std::optional<std::vector<EventSubscription>>> EventSubscriptions(
      std::string_view wmiNamespace) = 0;
  // Every BITS job of every user that names a program to notify. Nothing when BITS cannot be asked
  // (its service disabled or not there) or cannot say which program a job notifies (Wine's does
  // not implement it); the error beside nothing is only why, and fails nothing.
  virtual Result<std::optional<std::vector<BitsJob>>> BitsJobs() = 0;
  // A small regular file's bytes (a scripts.ini); nothing when it is not there; the reason when
  // it cannot be read or is larger than `maxBytes`.
  virtual Result<std::optional<std::string>> SmallFile(const std::string& path,
                                                       std::size_t maxBytes) = 0;
  // Whether a regular file is there at the full path, taken exactly as given.
  virtual bool IsFile(const std::string& path) = 0;
  virtual FileTimes Times(const std::string& path) = 0;
  // A FILETIME as local date and time (a Moment: text for the text report, ISO 8601 for the
  // JSON report); empty text when it cannot be converted.
  virtual SourceValue TimeText(std::uint64_t fileTime) = 0;
};

struct AutostartSources {
  RegistryRoutines& registry;
  AutostartSystem& system;
  FileExaminations& examined;  // the images' signatures, digests and versions, shared in the scan
  // The users' files, for the startup tasks of their packaged apps; none: those are not read.
  UserProfileSystem* profiles = nullptr;
};

// A script Group Policy runs, as its scripts.ini or psscripts.ini lists it.
struct ScriptLine {
  std::string section;  // "Startup", "Shutdown", "Logon", "Logoff"
  std::string name;  // "Startup 0"
  std::string script;
  std::string parameters;
};

// A scripts.ini is read only up to this size: Group Policy writes a few lines.
inline constexpr std::size_t kMaxScriptsIni = 64 * 1024;

// The scripts of a scripts.ini's four sections ("0CmdLine=x", "0Parameters=y"), in their order;
// UTF-16 LE with its BOM or UTF-8. Anything else in the file is passed over.
std::vector<ScriptLine> ReadScriptsIni(std::string_view bytes);

// A scheduled task's triggers in one line: "At log on; Daily from 2024-01-01T03:00:00".
std::string TriggersText(const std::vector<TaskTrigger>& triggers);

// A family of places read ("Scheduled Tasks"), and the first reason one could not be read.
struct FamilyRead {
  std::string_view family;
  Status failure;
};

// Every entry the registry, the Startup folders and the Task Scheduler hold, images not yet
// resolved, in the order read. A place that could not be read fails its family in `families`,
// so that its family alone is known to be partial; what all families share (the users' hives)
// fails the whole, the error beside the entries.
// What the machine cannot be asked (a WMI namespace that does not exist) goes to `notes`.
Result<std::vector<AutostartEntry>> GatherAutostartEntries(
    AutostartSources& sources, std::vector<std::string>* notes = nullptr,
    std::vector<FamilyRead>* families = nullptr);

// Fills in each entry's image, or why it has none, by its rule (see ResolveImage).
void ResolveAutostartImages(std::vector<AutostartEntry>& entries, AutostartSystem& system,
                            RegistryRoutines& registry);

// Whether an entry is Windows' own: its image below the Windows folder, signed by the system's
// publisher. Basic shows only how many there are.
bool IsWindowsOwnEntry(const AutostartEntry& entry, const std::string& windowsFolder,
                       const FileSignature& signature);

// The Autostart Entries block, sorted by location then name: at Basic location, name, command,
// state; Moderate adds the image, whether it exists, its signature and signer; Advanced its
// SHA-256, company, version and times. Each image is examined once in the scan, however many
// entries (or other categories) name it.
void CollectAutostartEntries(ReportWriter& report, AutostartSources& sources, DetailLevel level);

}  // namespace sysinfo
