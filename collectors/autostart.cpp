// The Autostart Entries category: the places things start from, read through the registry and
// the system, each entry's image resolved and examined once, one sorted block per entry.
#include "collectors/autostart.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>

#include "base/format.h"
#include "report/report.h"
#include "base/text.h"
#include "collectors/autostart_command.h"
#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/file_examinations.h"
#include "collectors/scheduled_tasks.h"
#include "collectors/sorted_table.h"

namespace sysinfo {
namespace {

// Every key is read in the 64-bit view; the 32-bit programs' keys by their Wow6432Node path, which
// a 32-bit Windows does not have, so no entry is read twice there.
constexpr RegistryView kView = RegistryView::Only64Bit;

constexpr std::string_view kCurrentVersion = "\\Microsoft\\Windows\\CurrentVersion\\";
constexpr std::string_view kNtCurrentVersion = "\\Microsoft\\Windows NT\\CurrentVersion\\";
constexpr std::string_view kApproved = "Explorer\\StartupApproved\\";
constexpr std::string_view kServices = "SYSTEM\\CurrentControlSet\\Services";
constexpr std::string_view kProfileList =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr std::string_view kStartupBelowProfile =
    "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
constexpr std::string_view kTaskScheduler = "Task Scheduler";
constexpr std::string_view kEnabled = "Enabled";
constexpr std::string_view kDisabled = "Disabled";
constexpr std::string_view kSha256ErrorText = "Error Getting SHA-256 Hash";

// The keys below CurrentVersion whose every value is a command run at log-on.
constexpr std::array<std::string_view, 3> kRunKeys{"Run", "RunOnce", "Policies\\Explorer\\Run"};

// Where a hive's or view's keys are: its Software key below its root, and how the report names it.
struct Hive {
  RegistryRoot root;
  std::string software;  // "SOFTWARE", "SOFTWARE\\WOW6432Node", "S-1-5-21-...\\Software"
  std::string name;  // "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node"
  std::string approvedRun;  // its Run keys' StartupApproved key, below the root
  bool machine = false;
  bool wow = false;
};

Hive MachineHive(bool wow) {
  const std::string software = wow ? "SOFTWARE\\WOW6432Node" : "SOFTWARE";
  return {
      RegistryRoot::LocalMachine,
      software,
      "HKEY_LOCAL_MACHINE\\" + software,
      "SOFTWARE" + std::string(kCurrentVersion) + std::string(kApproved) + (wow ? "Run32" : "Run"),
      true,
      wow};
}

Hive UserHive(RegistryRoot root, std::string_view sid) {
  const std::string software = sid.empty() ? "Software" : std::string(sid) + "\\Software";
  const std::string rootName = sid.empty() ? "HKEY_CURRENT_USER\\" : "HKEY_USERS\\";
  return {root, software, rootName + software,
          software + std::string(kCurrentVersion) + std::string(kApproved) + "Run"};
}

// The text of a value that holds a command; nothing for values of other types.
std::optional<std::string> CommandText(const std::optional<RawRegistryValue>& raw) {
  if (!raw || (raw->type != kRegSz && raw->type != kRegExpandSz)) return std::nullopt;
  return RegistryValueText(ConvertQueriedValue(*raw));
}

std::optional<std::int32_t> DwordOf(const std::optional<RawRegistryValue>& raw) {
  if (!raw || raw->type != kRegDword) return std::nullopt;
  const RegistryValue value = ConvertQueriedValue(*raw);
  if (const auto* number = std::get_if<std::int32_t>(&value)) return *number;
  return std::nullopt;
}

// The non-empty parts of a list, blanks around each taken off.
std::vector<std::string> ListParts(std::string_view list, std::string_view separators) {
  std::vector<std::string> parts;
  for (std::size_t start = 0; start <= list.size();) {
    const std::size_t end = std::min(list.find_first_of(separators, start), list.size());
    const std::string_view part = Trim(list.substr(start, end - start));
    if (!part.empty()) parts.emplace_back(part);
    start = end + 1;
  }
  return parts;
}

// How a service or driver is started, for those started without anyone asking.
std::optional<std::string> ServiceState(std::int32_t start, std::int32_t type) {
  constexpr std::array<std::string_view, 3> kStarts{"Boot start", "System start", "Automatic"};
  if (start < 0 || start > 2) return std::nullopt;
  const bool driver = type == 1 || type == 2;  // kernel or file system driver
  return std::string(kStarts[static_cast<std::size_t>(start)]) +
         (driver ? " (driver)" : " (service)");
}

std::string TriggersText(const std::vector<TaskTrigger>& triggers) {
  constexpr std::array<std::string_view, 12> kKinds{"On an event",
                                                    "Once",
                                                    "Daily",
                                                    "Weekly",
                                                    "Monthly",
                                                    "Monthly on a weekday",
                                                    "On idle",
                                                    "At registration",
                                                    "At startup",
                                                    "At log on",
                                                    "",
                                                    "On session change"};
  std::string text;
  for (const TaskTrigger& trigger : triggers) {
    if (!text.empty()) text += "; ";
    const bool known = trigger.type >= 0 && trigger.type < static_cast<int>(kKinds.size()) &&
                       !kKinds[static_cast<std::size_t>(trigger.type)].empty();
    text += known ? std::string(kKinds[static_cast<std::size_t>(trigger.type)])
                  : "Trigger " + std::to_string(trigger.type);
    const bool timed = trigger.type >= 1 && trigger.type <= 5;
    if (timed && !trigger.start.empty()) text += " from " + trigger.start;
    if (!trigger.enabled) text += " (disabled)";
  }
  return text;
}

// The StartupApproved values of one key, by the entry's name in lower case.
using Approvals = std::unordered_map<std::string, StartupApproval>;

// Reads every place, keeping the first reason a source could not be read.
class Gatherer {
 public:
  explicit Gatherer(AutostartSources& sources) : keys_(sources.registry), system_(sources.system) {}

  Result<std::vector<AutostartEntry>> Run() {
    const std::vector<Hive> hives = Hives();
    for (const Hive& hive : hives) {
      hive_ = &hive;
      const Approvals approvals = ReadApprovals(hive.root, hive.approvedRun);
      family_ = "Logon";
      for (std::string_view key : kRunKeys)
        ReadRunKey(hive, key, key == "Run" ? &approvals : nullptr);
      ReadRunOnceEx(hive);
      family_ = "Winlogon";
      if (!hive.wow) ReadWinlogon(hive);
      if (!hive.machine) continue;
      family_ = "Image Hijacks";
      ReadSubkeyValues(hive, kNtCurrentVersion, "Image File Execution Options", "Debugger");
      ReadSubkeyValues(hive, kNtCurrentVersion, "SilentProcessExit", "MonitorProcess");
      family_ = "Logon";
      ReadSubkeyValues(hive, "\\Microsoft\\", "Active Setup\\Installed Components", "StubPath");
      family_ = "AppInit";
      ReadAppInit(hive);
    }
    hive_ = nullptr;
    ReadServices();
    family_ = "Logon";
    ReadStartupFolders();
    family_ = "Scheduled Tasks";
    ReadTasks();
    return {std::move(entries_), std::move(error_)};
  }

 private:
  template <class T>
  T Take(Result<T> read, std::string_view where) {
    if (read.Failed() && !error_) {
      error_ = std::move(read.error);
      if (!where.empty()) error_->message.insert(0, std::string(where) + ": ");
    }
    return std::move(read.value);
  }

  std::optional<RawRegistryValue> Query(RegistryRoot root, const std::string& path,
                                        std::string_view name, std::string_view where) {
    return Take(keys_.QueryValue(root, path, name, kView), where);
  }

  // Adds the entry, unless it is a 32-bit view's twin of the machine's own: a key the two views
  // share (Image File Execution Options on Wine) is reachable under both paths.
  AutostartEntry* Add(std::string location, std::string name, std::string command,
                      std::string_view state = kEnabled) {
    if (hive_ && hive_->machine) {
      const std::string twin =
          LowerCase(location.substr(hive_->name.size()) + '\n' + name + '\n' + command);
      if (!hive_->wow) {
        machineEntries_.insert(twin);
      } else if (machineEntries_.count(twin) > 0) {
        return nullptr;
      }
    }
    return &AddEntry(std::move(location), std::move(name), std::move(command), state);
  }

  AutostartEntry& AddEntry(std::string location, std::string name, std::string command,
                           std::string_view state = kEnabled) {
    AutostartEntry& entry = entries_.emplace_back();
    entry.family = family_;
    entry.location = std::move(location);
    entry.name = std::move(name);
    entry.command = std::move(command);
    entry.state = state;
    return entry;
  }

  // The machine in both views, the current user, and every other loaded user hive once:
  // HKEY_USERS\.DEFAULT is the same hive as S-1-5-18, and the current user's is HKCU.
  std::vector<Hive> Hives() {
    std::vector<Hive> hives{MachineHive(false), MachineHive(true),
                            UserHive(RegistryRoot::CurrentUser, "")};
    const std::string self = system_.CurrentUserSid();
    loadedUsers_ = Take(keys_.SubkeyNames(RegistryRoot::Users, "", kView), "HKEY_USERS");
    const bool systemLoaded = std::any_of(loadedUsers_.begin(), loadedUsers_.end(),
                                          [](const std::string& sid) { return sid == "S-1-5-18"; });
    for (const std::string& sid : loadedUsers_) {
      const std::string lower = LowerCase(sid);
      if (lower.ends_with("_classes") || lower == LowerCase(self)) continue;
      if (lower == ".default" && systemLoaded) continue;
      hives.push_back(UserHive(RegistryRoot::Users, sid));
    }
    return hives;
  }

  Approvals ReadApprovals(RegistryRoot root, const std::string& path) {
    Approvals approvals;
    for (const auto& [name, raw] : Take(keys_.Values(root, path, kView), path)) {
      if (const auto approval = DecodeStartupApproved(raw.data))
        approvals[LowerCase(name)] = *approval;
    }
    return approvals;
  }

  static void ApplyApproval(AutostartEntry& entry, const Approvals& approvals) {
    const auto found = approvals.find(LowerCase(entry.name));
    if (found == approvals.end()) return;
    entry.state = found->second.enabled ? kEnabled : kDisabled;
    entry.stateChanged = found->second.changed;
  }

  void ReadRunKey(const Hive& hive, std::string_view key, const Approvals* approvals) {
    const std::string path = hive.software + std::string(kCurrentVersion) + std::string(key);
    const std::string location = hive.name + std::string(kCurrentVersion) + std::string(key);
    for (auto& [name, raw] : Take(keys_.Values(hive.root, path, kView), location)) {
      const auto command = CommandText(raw);
      if (!command) continue;
      AutostartEntry* entry = Add(location, name.empty() ? "(Default)" : name, *command);
      if (entry && approvals) ApplyApproval(*entry, *approvals);
    }
  }

  // RunOnceEx\0001\Name = "command" or "dll|function|arguments".
  void ReadRunOnceEx(const Hive& hive) {
    const std::string path = hive.software + std::string(kCurrentVersion) + "RunOnceEx";
    const std::string location = hive.name + std::string(kCurrentVersion) + "RunOnceEx";
    for (const std::string& section : Take(keys_.SubkeyNames(hive.root, path, kView), location)) {
      const std::string sectionPath = path + "\\" + section;
      for (auto& [name, raw] : Take(keys_.Values(hive.root, sectionPath, kView), location)) {
        const auto command = CommandText(raw);
        if (!command || name.empty()) continue;  // the default value is the section's title
        AutostartEntry* entry = Add(location, section + "\\" + name, *command);
        if (entry && command->find('|') != std::string::npos) {
          const auto parts = ListParts(*command, "|");
          if (!parts.empty()) entry->image = parts.front();
        }
      }
    }
  }

  void ReadWinlogon(const Hive& hive) {
    const std::string path = hive.software + std::string(kNtCurrentVersion) + "Winlogon";
    const std::string location = hive.name + std::string(kNtCurrentVersion) + "Winlogon";
    for (std::string_view name : {"Shell", "Userinit", "Taskman"}) {
      const auto command = CommandText(Query(hive.root, path, name, location));
      if (!command) continue;
      // Winlogon runs each program of the comma-separated Userinit list.
      if (name == "Userinit") {
        for (std::string& part : ListParts(*command, ",")) Add(location, std::string(name), part);
      } else if (!Trim(*command).empty()) {
        Add(location, std::string(name), *command);
      }
    }
  }

  // One entry per subkey that holds the value (an image's Debugger, a component's StubPath).
  void ReadSubkeyValues(const Hive& hive, std::string_view base, std::string_view key,
                        std::string_view value) {
    const std::string path = hive.software + std::string(base) + std::string(key);
    const std::string location = hive.name + std::string(base) + std::string(key);
    for (const std::string& subkey : Take(keys_.SubkeyNames(hive.root, path, kView), location)) {
      const auto command = CommandText(Query(hive.root, path + "\\" + subkey, value, location));
      if (command && !Trim(*command).empty()) Add(location, subkey, *command);
    }
  }

  void ReadAppInit(const Hive& hive) {
    const std::string path = hive.software + std::string(kNtCurrentVersion) + "Windows";
    const std::string location = hive.name + std::string(kNtCurrentVersion) + "Windows";
    const auto list = CommandText(Query(hive.root, path, "AppInit_DLLs", location));
    if (!list) return;
    const bool loaded = DwordOf(Query(hive.root, path, "LoadAppInit_DLLs", location)) == 1;
    // The DLLs are parted by blanks or commas (a path with a blank must be a short name).
    for (std::string& dll : ListParts(*list, " ,")) {
      Add(location, "AppInit_DLLs", dll,
          loaded ? kEnabled : "Disabled (LoadAppInit_DLLs is not 1)");
    }
  }

  void ReadServices() {
    const std::string location = "HKEY_LOCAL_MACHINE\\" + std::string(kServices);
    constexpr RegistryRoot kMachine = RegistryRoot::LocalMachine;
    for (const std::string& name :
         Take(keys_.SubkeyNames(kMachine, std::string(kServices), kView), location)) {
      const std::string path = std::string(kServices) + "\\" + name;
      const auto start = DwordOf(Query(kMachine, path, "Start", location));
      const auto state =
          start ? ServiceState(*start, DwordOf(Query(kMachine, path, "Type", location)).value_or(0))
                : std::nullopt;
      if (!state) continue;
      const bool driver = state->ends_with("(driver)");
      const auto command = CommandText(Query(kMachine, path, "ImagePath", location));
      if (!command && !driver) continue;  // a service with no program of its own
      family_ = driver ? "Drivers" : "Services";
      AutostartEntry& entry = AddEntry(location, name, command.value_or(""), *state);
      // A driver without an image path is loaded from the drivers folder by its name; a shared
      // service runs its DLL inside svchost.
      if (!command) {
        entry.image = "System32\\drivers\\" + name + ".sys";
      } else if (LowerCase(*command).find("svchost") != std::string::npos) {
        const auto dll =
            CommandText(Query(kMachine, path + "\\Parameters", "ServiceDll", location));
        if (dll && !dll->empty()) entry.image = *dll;
      }
    }
  }

  void ReadStartupFolder(const std::string& folder, const Approvals& approvals,
                         std::string_view state = kEnabled) {
    if (folder.empty()) return;
    for (StartupFile& file : Take(system_.StartupFiles(folder), folder)) {
      if (EqualsIgnoreCase(file.name, "desktop.ini")) continue;
      AutostartEntry& entry = AddEntry(folder, std::move(file.name), std::move(file.command),
                                       state);
      ApplyApproval(entry, approvals);
    }
  }

  // The common folder, the current user's, and each other account's profile's.
  void ReadStartupFolders() {
    const std::string approved = std::string(kCurrentVersion.substr(1)) + std::string(kApproved) +
                                 "StartupFolder";
    ReadStartupFolder(system_.CommonStartupFolder(),
                      ReadApprovals(RegistryRoot::LocalMachine, "SOFTWARE\\" + approved));
    ReadStartupFolder(system_.UserStartupFolder(),
                      ReadApprovals(RegistryRoot::CurrentUser, "Software\\" + approved));
    const std::string self = LowerCase(system_.CurrentUserSid());
    for (const std::string& sid :
         Take(keys_.SubkeyNames(RegistryRoot::LocalMachine, std::string(kProfileList), kView),
              kProfileList)) {
      // Only accounts' profiles: the service accounts' are never logged on to.
      if (!sid.starts_with("S-1-5-21-") && !sid.starts_with("S-1-12-1-")) continue;
      if (LowerCase(sid) == self) continue;
      const auto profile = CommandText(Query(RegistryRoot::LocalMachine,
                                             std::string(kProfileList) + "\\" + sid,
                                             "ProfileImagePath", kProfileList));
      if (!profile || profile->empty()) continue;
      const std::string folder = keys_.ExpandEnvironment(*profile) +
                                 std::string(kStartupBelowProfile);
      const bool loaded = std::any_of(
          loadedUsers_.begin(), loadedUsers_.end(),
          [&sid](const std::string& user) { return EqualsIgnoreCase(user, sid); });
      if (loaded) {
        ReadStartupFolder(folder,
                          ReadApprovals(RegistryRoot::Users, sid + "\\Software\\" + approved));
      } else {
        ReadStartupFolder(folder, {}, "Not known (the user's hive is not loaded)");
      }
    }
  }

  // Each program action an entry; a task whose actions are not known (only in the cache, or its
  // file unreadable) one entry that says why, so that a hidden task still shows.
  void ReadTasks() {
    for (ScheduledTask& task : Take(GatherScheduledTasks(keys_, system_), "")) {
      const std::string location = std::string(kTaskScheduler) +
                                   (task.folder.empty() ? "\\" : task.folder);
      std::string state = task.unread.empty() ? std::string(task.enabled ? kEnabled : kDisabled)
                                              : "Not known (" + task.unread + ")";
      if (task.hidden) state += "; hidden (no security descriptor)";
      if (task.commands.empty() && (!task.unread.empty() || task.hidden))
        task.commands.emplace_back();
      const std::string triggers = TriggersText(task.triggers);
      for (std::string& command : task.commands) {
        AutostartEntry& entry = AddEntry(location, task.name, std::move(command), state);
        entry.triggers = triggers;
        entry.source = task.source;
      }
    }
  }

  RegistryRoutines& keys_;
  AutostartSystem& system_;
  std::vector<std::string> loadedUsers_;
  std::string_view family_;
  const Hive* hive_ = nullptr;  // the hive being read, while the registry's places are
  std::unordered_set<std::string> machineEntries_;  // the machine's own view's entries
  std::vector<AutostartEntry> entries_;
  Status error_;
};

// Whether an image is there and its times, asked once per image (letter case aside, as Windows
// names files); what reading the file tells is kept in the scan's examinations.
struct ImagePlace {
  bool exists = false;
  FileTimes times;
};

class ImageExaminer {
 public:
  ImageExaminer(AutostartSources& sources, DetailLevel level) : sources_(sources), level_(level) {}

  const ImagePlace& Place(const std::string& image) {
    auto [at, added] = places_.try_emplace(LowerCase(image));
    ImagePlace& place = at->second;
    if (!added) return place;
    place.exists = !image.empty() && sources_.system.IsFile(image);
    if (place.exists && level_ >= DetailLevel::Advanced) place.times = sources_.system.Times(image);
    return place;
  }
  FileExaminations& Examined() { return sources_.examined; }
  AutostartSystem& System() { return sources_.system; }

 private:
  AutostartSources& sources_;
  DetailLevel level_;
  std::unordered_map<std::string, ImagePlace> places_;
};

// One line of the block, recorded under its field's name for the JSON report.
void WriteValue(ReportWriter& report, std::string_view label, std::string_view field,
                const SourceValue& value) {
  std::string text;
  AppendCellText(text, value);
  report.WriteField(label, text, field, value);
}

void WriteImage(ReportWriter& report, const AutostartEntry& entry, ImageExaminer& images,
                DetailLevel level) {
  const ImagePlace& place = images.Place(entry.image);
  WriteValue(report, "Image: ", "Image", entry.image);
  WriteValue(report, "Image Exists: ", "ImageExists", place.exists);
  std::optional<FileSignature> signature;
  if (place.exists) signature = images.Examined().Signature(entry.image);
  WriteValue(report, "Signature: ", "Signature",
             signature ? SourceValue(std::string(SignatureStatusName(signature->status))) : Null{});
  WriteValue(report, "Signer: ", "Signer", signature ? TextOrNull(signature->signer) : Null{});
  if (level < DetailLevel::Advanced) return;
  SourceValue sha256 = Null{};
  VersionStrings version;
  if (place.exists) {
    const std::string digest = images.Examined().Checksums(entry.image, true).sha256;
    sha256 = digest.empty() ? std::string(kSha256ErrorText) : digest;
    version = images.Examined().Version(entry.image);
  }
  WriteValue(report, "SHA-256: ", "SHA256", sha256);
  WriteValue(report, "Company: ", "Company", TextOrNull(version.companyName));
  WriteValue(report, "Version: ", "Version", TextOrNull(version.fileVersion));
  WriteValue(report, "Image Created: ", "ImageCreated", NullIfEmpty(place.times.created));
  WriteValue(report, "Image Modified: ", "ImageModified", NullIfEmpty(place.times.modified));
  if (entry.stateChanged != 0) {
    WriteValue(report, "State Changed: ", "StateChanged",
               images.System().TimeText(entry.stateChanged));
  }
}

void WriteEntry(ReportWriter& report, const AutostartEntry& entry, ImageExaminer& images,
                DetailLevel level) {
  report.BeginItem();
  WriteValue(report, "Family: ", "Family", entry.family);
  WriteValue(report, "Location: ", "Location", entry.location);
  WriteValue(report, "Name: ", "Name", entry.name);
  WriteValue(report, "Command: ", "Command", entry.command);
  WriteValue(report, "State: ", "State", entry.state);
  if (!entry.triggers.empty()) WriteValue(report, "Triggers: ", "Triggers", entry.triggers);
  if (!entry.source.empty()) WriteValue(report, "Source: ", "Source", entry.source);
  if (level >= DetailLevel::Moderate) WriteImage(report, entry, images, level);
  report.EndItem();
  report.WriteReportLine(SeparatorLine);
}

// Matched by where and as what an entry is registered; nothing changes by itself; the profile
// folders and security identifiers in paths are found by the redactor's text rules.
constexpr std::array<std::string_view, 2> kKey{"Location", "Name"};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::span<const IdentifyingField> kIdentifying{};

}  // namespace

std::optional<StartupApproval> DecodeStartupApproved(std::span<const std::uint8_t> value) {
  if (value.size() < 4) return std::nullopt;
  StartupApproval approval;
  approval.enabled = (value[0] & 1) == 0;
  if (value.size() >= 12) {
    for (std::size_t i = 0; i < 8; ++i) {
      approval.changed |= std::uint64_t{value[4 + i]} << (8 * i);
    }
  }
  return approval;
}

Result<std::vector<AutostartEntry>> GatherAutostartEntries(AutostartSources& sources) {
  return Gatherer(sources).Run();
}

void ResolveAutostartImages(std::vector<AutostartEntry>& entries, AutostartSystem& system,
                            RegistryRoutines& registry) {
  CommandContext context{
      system.WindowsFolder(),
      [&registry](std::string_view text) { return registry.ExpandEnvironment(text); },
      [&system](const std::string& path) { return system.IsFile(path); }, false,
      PathFolders(registry.ExpandEnvironment("%PATH%"))};
  for (AutostartEntry& entry : entries) {
    context.wow32 = entry.wow32;
    const std::string& text = entry.rule == ImageRule::NoFile ? entry.noFile
                              : entry.image.empty()           ? entry.command
                                                              : entry.image;
    // What runs ends at the first NUL, whatever the value holds after it.
    ResolvedImage resolved = ResolveImage(CutAtNull(text), entry.rule, context);
    entry.image = std::move(resolved.image);
    entry.noFile = std::move(resolved.noFile);
  }
}

void CollectAutostartEntries(ReportWriter& report, AutostartSources& sources, DetailLevel level) {
  if (!IsDetailLevel(level)) return;
  Result<std::vector<AutostartEntry>> gathered = GatherAutostartEntries(sources);
  report.SourceEnded(gathered.error);
  std::vector<AutostartEntry>& entries = gathered.value;
  if (level >= DetailLevel::Moderate)
    ResolveAutostartImages(entries, sources.system, sources.registry);
  std::stable_sort(
      entries.begin(), entries.end(), [](const AutostartEntry& a, const AutostartEntry& b) {
        const int byLocation = CompareIgnoreCase(a.location, b.location);
        return byLocation != 0 ? byLocation < 0 : CompareIgnoreCase(a.name, b.name) < 0;
      });
  ImageExaminer images(sources, level);
  for (const AutostartEntry& entry : entries) WriteEntry(report, entry, images, level);
}

extern const CategoryDefinition kAutostartEntriesCategory{
    .text = "Autostart Entries",
    .startLine = StartLine::WithDetail,
    .collect =
        [](ReportWriter& report, const Sources& sources, DetailLevel level) {
          RegistryRoutines* registry = sources.Need<RegistryRoutines>(report);
          AutostartSystem* system = sources.Need<AutostartSystem>(report);
          FileExaminations* examined = sources.Need<FileExaminations>(report);
          if (!registry || !system || !examined) return;
          AutostartSources autostart{*registry, *system, *examined};
          CollectAutostartEntries(report, autostart, level);
        },
    .fields = {kKey, kChanging, kIdentifying},
    .files = FileView::Native,
    .sha256From = DetailLevel::Advanced};

}  // namespace sysinfo
