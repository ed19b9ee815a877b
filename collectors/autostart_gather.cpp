// Every place Windows starts code from, read into entries: the table's places by their shapes, and
// the places with shapes of their own (services, Startup folders, tasks, scripts, class hijacks).
#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

#include "base/text.h"
#include "collectors/autostart.h"
#include "collectors/autostart_command.h"
#include "collectors/autostart_places.h"
#include "collectors/user_profiles.h"
#include "collectors/event_consumers.h"
#include "collectors/scheduled_tasks.h"
#include "collectors/store_packages.h"
#include "collectors/winsock_catalog.h"

namespace sysinfo {
namespace {

// Every key is read in the 64-bit view; the 32-bit programs' keys by their WOW6432Node path, which
// a 32-bit Windows does not have, so no entry is read twice there.
constexpr RegistryView kView = RegistryView::Only64Bit;

constexpr std::string_view kCurrentVersion = "Microsoft\\Windows\\CurrentVersion\\";
constexpr std::string_view kRunKey = "Microsoft\\Windows\\CurrentVersion\\Run";
constexpr std::string_view kApproved = "Explorer\\StartupApproved\\";
constexpr std::string_view kShellFolders = "Explorer\\User Shell Folders";
constexpr std::string_view kServices = "SYSTEM\\CurrentControlSet\\Services";
constexpr std::string_view kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr std::string_view kStartupBelowProfile =
    "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
constexpr std::string_view kTaskScheduler = "Task Scheduler";
constexpr std::string_view kEnabled = "Enabled";
constexpr std::string_view kDisabled = "Disabled";
constexpr std::string_view kNoServer = "no server is registered for the class";
constexpr std::string_view kScriptlet = "a scriptlet named by its address";

// One value's list names at most so many entries; a class forwards (TreatAs) at most so often; a
// per-user type library is looked for only so deep.
constexpr std::size_t kMaxParts = 1024;
constexpr int kMaxForwards = 4;
constexpr std::size_t kMaxTypeLibraries = 4096;

// The Office programs whose add-ins start with them.
constexpr std::array<std::string_view, 9> kOfficeApps{"Word",    "Excel",   "PowerPoint",
                                                      "Outlook", "Access",  "MS Project",
                                                      "Visio",   "OneNote", "Publisher"};

// The programs run from the sign-in screen that attackers replace with a shell.
constexpr std::array<std::string_view, 6> kAccessibilityPrograms{
    "sethc.exe", "utilman.exe", "osk.exe", "Magnify.exe", "Narrator.exe", "DisplaySwitch.exe"};

// A program type's open command as Windows itself registers it, and the extensions that name it.
struct OwnOpenCommand {
  std::string_view type;
  std::string_view extension;
  std::string_view command;
};
constexpr std::array<OwnOpenCommand, 5> kOwnOpenCommands{{
    {"exefile", ".exe", "\"%1\" %*"},
    {"batfile", ".bat", "\"%1\" %*"},
    {"cmdfile", ".cmd", "\"%1\" %*"},
    {"comfile", ".com", "\"%1\" %*"},
    {"scrfile", ".scr", "\"%1\" /S"},
}};

// How the report names a key: its root's name, then its path.
std::string LocationOf(RegistryRoot root, std::string_view path) {
  const std::string_view rootName = root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER"
                                    : root == RegistryRoot::Users     ? "HKEY_USERS"
                                                                      : "HKEY_LOCAL_MACHINE";
  return std::string(rootName) + "\\" + std::string(path);
}

// A hive or view: where its keys are below its root, and whose environment its entries expand
// in.
struct Hive {
  RegistryRoot root = RegistryRoot::LocalMachine;
  std::string rootPath;  // the hive's root below `root`: empty, or a user's SID below HKEY_USERS
  std::string software;  // its Software key below `root`
  std::string classes;  // its own classes key below `root`
  std::string sid;  // another user's SID; empty for the machine and the current user
  bool machine = false;
  bool wow = false;
  std::vector<std::pair<std::string, std::string>> environment;  // another user's variables

  std::string Path(std::string_view key) const { return software + "\\" + std::string(key); }
  std::string Name(std::string_view key) const { return LocationOf(root, Path(key)); }
  std::string RootPath(std::string_view key) const {
    return rootPath.empty() ? std::string(key) : rootPath + "\\" + std::string(key);
  }
};

Hive MachineHive(bool wow) {
  Hive hive;
  hive.software = wow ? "SOFTWARE\\WOW6432Node" : "SOFTWARE";
  hive.classes = hive.software + "\\Classes";
  hive.machine = true;
  hive.wow = wow;
  return hive;
}

Hive UserHive(RegistryRoot root, std::string_view sid) {
  Hive hive;
  hive.root = root;
  hive.rootPath = sid;
  hive.sid = sid;
  hive.software = hive.RootPath("Software");
  hive.classes = hive.RootPath("Software\\Classes");
  return hive;
}

// Where one place is in one hive.
struct KeyAt {
  const Hive* hive;
  RegistryRoot root;
  std::string path;
  std::string location;
};

// A key of HKEY_LOCAL_MACHINE outside its SOFTWARE hive's views (SYSTEM's).
KeyAt MachineKey(const std::string& path) {
  return {nullptr, RegistryRoot::LocalMachine, path, LocationOf(RegistryRoot::LocalMachine, path)};
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
  for (std::size_t start = 0; start <= list.size() && parts.size() < kMaxParts;) {
    const std::size_t end = std::min(list.find_first_of(separators, start), list.size());
    const std::string_view part = Trim(list.substr(start, end - start));
    if (!part.empty()) parts.emplace_back(part);
    start = end + 1;
  }
  return parts;
}

// The entries one value names: its text whole or parted as the place says; each string of a
// multi-string value. Nothing for a value of another type or only blanks.
std::vector<std::string> ValueParts(const std::optional<RawRegistryValue>& raw, Split split) {
  if (raw && raw->type == kRegMultiSz) {
    const std::string strings = Utf16BytesToUtf8(raw->data.data(), raw->data.size());
    return ListParts(strings, std::string_view("\0", 1));
  }
  const auto text = CommandText(raw);
  if (!text) return {};
  switch (split) {
    case Split::Commas: return ListParts(*text, ",");
    // The parts are parted by blanks or commas (a path with a blank must be a short name).
    case Split::BlanksOrCommas: return ListParts(*text, " ,");
    case Split::None:
    case Split::Strings: break;
  }
  const std::string cut = CutAtNull(*text);
  if (Trim(cut).empty()) return {};
  return {cut};
}

// "{...}" with 32 hex digits: a class id as the registry names one.
bool IsClassId(std::string_view text) {
  return text.size() == 38 && text.front() == '{' && text.back() == '}';
}

// The StartupApproved values of one key, by the entry's name in lower case.
using Approvals = std::unordered_map<std::string, StartupApproval>;

// How a service or driver starts, for those that are not disabled; nothing for the others.
std::optional<std::string> ServiceState(std::int32_t start, bool driver, bool triggered) {
  constexpr std::array<std::string_view, 4> kStarts{"Boot start", "System start", "Automatic",
                                                    "Manual"};
  if (start < 0 || start > 3) return std::nullopt;
  std::string state(kStarts[static_cast<std::size_t>(start)]);
  state += driver ? " (driver" : " (service";
  state += triggered ? ", trigger start)" : ")";
  return state;
}

// Each variable of `environment` (%NAME%, any letter case) replaced by its value; the others left
// for the system's expansion.
std::string ExpandIn(std::string_view text,
                     const std::vector<std::pair<std::string, std::string>>& environment) {
  std::string expanded;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t open = text.find('%', at);
    const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) {
      expanded.append(text.substr(at));
      break;
    }
    const std::string_view name = text.substr(open + 1, close - open - 1);
    const auto found = std::find_if(
        environment.begin(), environment.end(),
        [name](const auto& pair) { return EqualsIgnoreCase(pair.first, name); });
    expanded.append(text.substr(at, open - at));
    if (found != environment.end()) {
      expanded += found->second;
      at = close + 1;
    } else {
      expanded.append(text.substr(open, close - open));
      at = close;
    }
  }
  return expanded;
}

// Reads every place, keeping the first reason a source could not be read.
class Gatherer {
 public:
  explicit Gatherer(AutostartSources& sources)
      : keys_(sources.registry), system_(sources.system), profiles_(sources.profiles) {}

  Result<std::vector<AutostartEntry>> Run() {
    ReadHives();
    for (const AutostartPlace& place : AutostartPlaces()) ReadPlace(place);
    for (const Hive& hive : hives_) {
      ReadRunOnceEx(hive);
      ReadOfficeAddins(hive);
      ReadGroupPolicyScripts(hive);
      if (hive.machine) ReadAppInit(hive);
      if (!hive.machine) ReadClassHijacks(hive);
      if (!hive.wow) ReadFileAssociations(hive);
    }
    ReadKnownDlls();
    ReadAppCompatCustom();
    ReadServices();
    ReadNetworkProviders();
    ReadWinsock();
    ReadPrintProcessors();
    ReadStartupFolders();
    ReadUserFolders();
    ReadScriptFiles();
    ReadAccessibilityPrograms();
    ReadTasks();
    ReadEventSubscriptions();
    ReadBitsJobs();
    ReadPackagedApps();
    return {std::move(entries_), std::move(error_)};
  }

  const std::vector<std::string>& Notes() const { return notes_; }
  const std::vector<FamilyRead>& Families() const { return families_; }

 private:
  template <class T>
  T Take(Result<T> read, std::string_view where) {
    if (read.Failed()) {
      if (!where.empty()) read.error->message.insert(0, std::string(where) + ": ");
      if (reading_.empty() && !error_) error_ = read.error;
      for (std::string_view family : reading_) {
        FamilyRead& family_read = Family(family);
        if (!family_read.failure) family_read.failure = read.error;
      }
    }
    return std::move(read.value);
  }

  // The families whose entries the reads that follow find: a read that fails leaves them partial.
  void Reading(std::initializer_list<std::string_view> families) {
    reading_.assign(families.begin(), families.end());
    for (std::string_view family : families) Family(family);
  }

  FamilyRead& Family(std::string_view family) {
    const auto found = std::find_if(families_.begin(), families_.end(),
                                    [family](const FamilyRead& f) { return f.family == family; });
    return found != families_.end() ? *found : families_.emplace_back(FamilyRead{family, {}});
  }

  std::optional<RawRegistryValue> Query(RegistryRoot root, const std::string& path,
                                        std::string_view name, std::string_view where) {
    return Take(keys_.QueryValue(root, path, name, kView), where);
  }
  std::optional<std::string> QueryText(RegistryRoot root, const std::string& path,
                                       std::string_view name, std::string_view where) {
    return CommandText(Query(root, path, name, where));
  }
  std::vector<std::string> Subkeys(RegistryRoot root, const std::string& path,
                                   std::string_view where) {
    return Take(keys_.SubkeyNames(root, path, kView), where);
  }
  std::vector<NamedRegistryValue> Values(RegistryRoot root, const std::string& path,
                                         std::string_view where) {
    return Take(keys_.Values(root, path, kView), where);
  }

  AutostartEntry& Add(std::string_view family, const KeyAt& at, std::string name,
                      std::string command, ImageRule rule = ImageRule::CommandLine,
                      std::string_view state = kEnabled) {
    AutostartEntry& entry = entries_.emplace_back();
    entry.family = family;
    entry.location = at.location;
    entry.name = name.empty() ? "(Default)" : std::move(name);
    entry.command = std::move(command);
    entry.state = state;
    entry.rule = rule;
    if (at.hive) {
      entry.wow32 = at.hive->wow;
      entry.user = at.hive->sid;
      // Another user's entry expands in that user's variables and folders, not the scan's.
      if (!at.hive->environment.empty()) {
        entry.image = ExpandIn(entry.command, at.hive->environment);
        if (entry.image == entry.command) entry.image.clear();
      }
    }
    return entry;
  }

  // --- Hives ---------------------------------------------------------------------------------

  // The machine in both views, the current user, and every other loaded user hive once:
  // HKEY_USERS\.DEFAULT is the same hive as S-1-5-18, and the current user's is HKCU.
  void ReadHives() {
    hives_ = {MachineHive(false), MachineHive(true), UserHive(RegistryRoot::CurrentUser, "")};
    const std::string self = system_.CurrentUserSid();
    loadedUsers_ = Subkeys(RegistryRoot::Users, "", "HKEY_USERS");
    const bool systemLoaded = std::any_of(loadedUsers_.begin(), loadedUsers_.end(),
                                          [](const std::string& sid) { return sid == "S-1-5-18"; });
    for (const std::string& sid : loadedUsers_) {
      const std::string lower = LowerCase(sid);
      if (lower.ends_with("_classes") || lower == LowerCase(self)) continue;
      if (lower == ".default" && systemLoaded) continue;
      Hive hive = UserHive(RegistryRoot::Users, sid);
      const bool ownClasses = std::any_of(
          loadedUsers_.begin(), loadedUsers_.end(),
          [&sid](const std::string& name) { return EqualsIgnoreCase(name, sid + "_Classes"); });
      if (ownClasses) hive.classes = sid + "_Classes";
      hive.environment = UserEnvironment(sid);
      hives_.push_back(std::move(hive));
    }
  }

  // Another user's variables: their profile folder, their own Environment key, and the folders
  // their User Shell Folders name, each expanded in what came before it.
  std::vector<std::pair<std::string, std::string>> UserEnvironment(const std::string& sid) {
    std::vector<std::pair<std::string, std::string>> environment;
    const auto profile = QueryText(RegistryRoot::LocalMachine,
                                   std::string(kProfileList) + "\\" + sid, "ProfileImagePath",
                                   kProfileList);
    if (profile && !profile->empty())
      environment.emplace_back("USERPROFILE", keys_.ExpandEnvironment(*profile));
    for (auto& [name, raw] : Values(RegistryRoot::Users, sid + "\\Environment", {})) {
      if (const auto text = CommandText(raw); text && !name.empty())
        environment.emplace_back(name, ExpandIn(*text, environment));
    }
    const std::string folders = sid + "\\Software\\" + std::string(kCurrentVersion) +
                                std::string(kShellFolders);
    for (const auto& [variable, folder] :
         {std::pair{"APPDATA", "AppData"}, std::pair{"LOCALAPPDATA", "Local AppData"}}) {
      if (const auto text = QueryText(RegistryRoot::Users, folders, folder, {}))
        environment.emplace_back(variable, ExpandIn(*text, environment));
    }
    return environment;
  }

  // ReadHives puts the machine's 64-bit view first and the current user third.
  const Hive& Machine64Hive() const { return hives_[0]; }
  const Hive& CurrentUserHive() const { return hives_[2]; }

  std::vector<const Hive*> HivesOf(Scope scope) const {
    std::vector<const Hive*> chosen;
    for (const Hive& hive : hives_) {
      const bool machine64 = hive.machine && !hive.wow;
      bool wanted = false;
      switch (scope) {
        case Scope::Machine: wanted = hive.machine; break;
        case Scope::Machine64: wanted = machine64; break;
        case Scope::Users:
        case Scope::UserRoot: wanted = !hive.machine; break;
        case Scope::MachineAndUsers: wanted = true; break;
        case Scope::Machine64AndUsers: wanted = machine64 || !hive.machine; break;
        case Scope::System: wanted = machine64; break;
      }
      if (wanted) chosen.push_back(&hive);
    }
    return chosen;
  }

  static KeyAt Where(const Hive& hive, Scope scope, std::string_view key) {
    if (scope == Scope::System) {
      const std::string path = "SYSTEM\\" + std::string(key);
      return MachineKey(path);
    }
    if (scope == Scope::UserRoot)
      return {&hive, hive.root, hive.RootPath(key), LocationOf(hive.root, hive.RootPath(key))};
    return {&hive, hive.root, hive.Path(key), hive.Name(key)};
  }

  // --- The table's shapes --------------------------------------------------------------------

  void ReadPlace(const AutostartPlace& place) {
    Reading({place.family});
    for (const Hive* hive : HivesOf(place.scope)) {
      const KeyAt at = Where(*hive, place.scope, place.key);
      switch (place.shape) {
        case Shape::EveryValue: ReadEveryValue(place, at); break;
        case Shape::NamedValue: ReadNamedValue(place, at, at.path, std::string(place.value)); break;
        case Shape::SubkeyValue:
          for (const std::string& subkey : Subkeys(at.root, at.path, at.location))
            ReadNamedValue(place, at, at.path + "\\" + subkey, subkey);
          break;
        default: ReadClasses(place, at); break;
      }
    }
  }

  void ReadEveryValue(const AutostartPlace& place, const KeyAt& at) {
    const bool run = place.key == kRunKey;
    const Approvals approvals = run ? RunApprovals(*at.hive) : Approvals{};
    for (auto& [name, raw] : Values(at.root, at.path, at.location)) {
      for (std::string& part : ValueParts(raw, place.split)) {
        AutostartEntry& entry = Add(place.family, at, name, std::move(part), place.rule);
        ApplyApproval(entry, approvals);
      }
    }
  }

  void ReadNamedValue(const AutostartPlace& place, const KeyAt& at, const std::string& path,
                      const std::string& name) {
    const auto raw = Query(at.root, path, place.value, at.location);
    for (std::string& part : ValueParts(raw, place.split)) {
      AutostartEntry& entry = Add(place.family, at, name.empty() ? std::string(place.value) : name,
                                  std::move(part), place.rule);
      if (place.rule == ImageRule::Given) entry.image = entry.command;
    }
  }

  // Each class the place names, listed with the server that class runs in this hive's view.
  void ReadClasses(const AutostartPlace& place, const KeyAt& at) {
    std::vector<std::pair<std::string, std::string>> named;  // (name, class id)
    if (place.shape == Shape::ClassValueData || place.shape == Shape::ClassValueNames) {
      for (auto& [name, raw] : Values(at.root, at.path, at.location)) {
        const auto data = CommandText(raw);
        named.emplace_back(name, place.shape == Shape::ClassValueNames ? name : data.value_or(""));
      }
    } else {
      for (const std::string& subkey : Subkeys(at.root, at.path, at.location)) {
        std::string id = subkey;
        if (place.shape == Shape::ClassSubkeyValue) {
          // A handler's key names its class in a value, or is itself named by the class.
          const auto value = QueryText(at.root, at.path + "\\" + subkey, place.value, at.location);
          if (value && IsClassId(Trim(*value))) id = std::string(Trim(*value));
        }
        named.emplace_back(subkey, std::move(id));
      }
    }
    for (auto& [name, id] : named) AddClassEntry(place.family, at, name, id);
  }

  void AddClassEntry(std::string_view family, const KeyAt& at, const std::string& name,
                     const std::string& id) {
    if (Trim(id).empty()) return;
    const Server server = ClassServer(*at.hive, std::string(Trim(id)));
    std::string shown = EqualsIgnoreCase(name, id) ? name : name + " " + id;
    AutostartEntry& entry = Add(family, at, std::move(shown), server.command, server.rule);
    entry.noFile = server.noFile;
  }

  // --- Classes -------------------------------------------------------------------------------

  struct Server {
    std::string command;  // the server as registered, or the class id when there is none
    ImageRule rule = ImageRule::NoFile;
    std::string noFile;
  };

  // Where a hive's classes are looked for: a user's own first, then the machine's in its view.
  std::vector<std::pair<RegistryRoot, std::string>> ClassRoots(const Hive& hive) const {
    std::vector<std::pair<RegistryRoot, std::string>> roots;
    if (!hive.machine) roots.emplace_back(hive.root, hive.classes);
    roots.emplace_back(RegistryRoot::LocalMachine,
                       hive.wow ? "SOFTWARE\\WOW6432Node\\Classes" : "SOFTWARE\\Classes");
    return roots;
  }

  // What the first of the hive's class roots that knows the class registers for it: a server, or
  // the class it is forwarded to (TreatAs); nothing when none knows it.
  struct ClassLookup {
    std::optional<Server> server;
    std::optional<std::string> treatAs;
  };
  ClassLookup LookUpClass(const Hive& hive, const std::string& id) {
    constexpr std::array<std::tuple<std::string_view, ImageRule, std::string_view>, 3> kServers{
        {{"InprocServer32", ImageRule::LoadPath, ""},
         {"LocalServer32", ImageRule::CommandLine, ""},
         {"ScriptletURL", ImageRule::NoFile, kScriptlet}}};
    for (const auto& [root, classes] : ClassRoots(hive)) {
      const std::string key = classes + "\\CLSID\\" + id;
      for (const auto& [kind, rule, noFile] : kServers) {
        auto text = QueryText(root, key + "\\" + std::string(kind), "", {});
        if (text && !text->empty())
          return {Server{std::move(*text), rule, std::string(noFile)}, {}};
      }
      auto forward = QueryText(root, key + "\\TreatAs", "", {});
      if (forward && IsClassId(*forward)) return {{}, std::move(forward)};
    }
    return {};
  }

  Server ClassServer(const Hive& hive, std::string id) {
    const std::string cacheKey = hive.classes + '\n' + LowerCase(id);
    if (const auto found = servers_.find(cacheKey); found != servers_.end()) return found->second;
    Server server{id, ImageRule::NoFile, std::string(kNoServer)};
    for (int forwards = 0; forwards <= kMaxForwards; ++forwards) {
      ClassLookup lookup = LookUpClass(hive, id);
      if (lookup.server) server = std::move(*lookup.server);
      if (!lookup.treatAs) break;
      id = std::move(*lookup.treatAs);
    }
    servers_.emplace(cacheKey, server);
    return server;
  }

  // A user's classes that shadow the machine's (COM hijacks), and their own type libraries.
  void ReadClassHijacks(const Hive& hive) {
    Reading({"COM Hijacks"});
    const std::string location = LocationOf(hive.root, hive.classes);
    const KeyAt at{&hive, hive.root, hive.classes + "\\CLSID", location + "\\CLSID"};
    constexpr std::array<std::pair<std::string_view, ImageRule>, 4> kServers{
        {{"InprocServer32", ImageRule::LoadPath},
         {"LocalServer32", ImageRule::CommandLine},
         {"TreatAs", ImageRule::NoFile},
         {"ScriptletURL", ImageRule::NoFile}}};
    for (const std::string& id : Subkeys(at.root, at.path, at.location)) {
      if (!IsClassId(id)) continue;
      const bool shadows = !Take(keys_.SubkeyNames(RegistryRoot::LocalMachine,
                                                   "SOFTWARE\\Classes\\CLSID\\" + id, kView),
                                 {})
                                .empty();
      if (!shadows) continue;
      for (const auto& [kind, rule] : kServers) {
        const auto text = QueryText(at.root, at.path + "\\" + id + "\\" + std::string(kind), "",
                                    at.location);
        if (!text || Trim(*text).empty()) continue;
        AutostartEntry& entry = Add("COM Hijacks",
                                    {&hive, at.root, at.path, at.location + "\\" + id},
                                    std::string(kind), *text, rule);
        if (rule == ImageRule::NoFile) {
          entry.noFile = kind == "TreatAs" ? "the class is forwarded to another class" : kScriptlet;
        }
      }
    }
    ReadTypeLibraries(hive, location);
  }

  // TypeLib\{id}\<version>\<locale>\win32|win64: the file each version of a library loads from.
  void ReadTypeLibraries(const Hive& hive, const std::string& location) {
    const std::string base = hive.classes + "\\TypeLib";
    std::size_t read = 0;
    for (const std::string& id : Subkeys(hive.root, base, location + "\\TypeLib")) {
      for (const std::string& version : Subkeys(hive.root, base + "\\" + id, {})) {
        const std::string versionPath = base + "\\" + id + "\\" + version;
        for (const std::string& locale : Subkeys(hive.root, versionPath, {})) {
          for (std::string_view platform : {"win32", "win64"}) {
            if (++read > kMaxTypeLibraries) return;
            const std::string key = versionPath + "\\" + locale + "\\" + std::string(platform);
            const auto path = QueryText(hive.root, key, "", {});
            if (!path || Trim(*path).empty()) continue;
            Add("COM Hijacks", {&hive, hive.root, key, location + "\\TypeLib\\" + id},
                version + "\\" + locale + "\\" + std::string(platform), *path, ImageRule::LoadPath)
                .wow32 = platform == "win32";
          }
        }
      }
    }
  }

  // --- Places with shapes of their own -------------------------------------------------------

  Approvals ReadApprovals(RegistryRoot root, const std::string& path) {
    Approvals approvals;
    for (const auto& [name, raw] : Values(root, path, path)) {
      if (const auto approval = DecodeStartupApproved(raw.data))
        approvals[LowerCase(name)] = *approval;
    }
    return approvals;
  }

  Approvals RunApprovals(const Hive& hive) {
    const std::string key = std::string(kCurrentVersion) + std::string(kApproved) +
                            (hive.wow ? "Run32" : "Run");
    return ReadApprovals(hive.root, hive.machine ? "SOFTWARE\\" + key : hive.Path(key));
  }

  static void ApplyApproval(AutostartEntry& entry, const Approvals& approvals) {
    const auto found = approvals.find(LowerCase(entry.name));
    if (found == approvals.end()) return;
    entry.state = found->second.enabled ? kEnabled : kDisabled;
    entry.stateChanged = found->second.changed;
  }

  // RunOnceEx\0001\Name = "command" or "dll|function|arguments"; RunOnceEx\0001\Depend\Name = a
  // DLL loaded before the section runs.
  void ReadRunOnceEx(const Hive& hive) {
    Reading({"Logon"});
    const KeyAt at = Where(hive, Scope::Machine, std::string(kCurrentVersion) + "RunOnceEx");
    for (const std::string& section : Subkeys(at.root, at.path, at.location)) {
      const std::string sectionPath = at.path + "\\" + section;
      for (auto& [name, raw] : Values(at.root, sectionPath, at.location)) {
        const auto command = CommandText(raw);
        if (!command || name.empty()) continue;  // the default value is the section's title
        AutostartEntry& entry = Add("Logon", at, section + "\\" + name, *command);
        if (command->find('|') != std::string::npos) {
          const auto parts = ListParts(*command, "|");
          if (!parts.empty()) entry.image = parts.front();
          entry.rule = ImageRule::LoadPath;
        }
      }
      for (auto& [name, raw] : Values(at.root, sectionPath + "\\Depend", at.location)) {
        if (const auto dll = CommandText(raw))
          Add("Logon", at, section + "\\Depend\\" + name, *dll, ImageRule::LoadPath);
      }
    }
  }

  void ReadAppInit(const Hive& hive) {
    Reading({"AppInit"});
    const KeyAt at = Where(hive, Scope::Machine, "Microsoft\\Windows NT\\CurrentVersion\\Windows");
    const auto list = QueryText(at.root, at.path, "AppInit_DLLs", at.location);
    if (!list) return;
    const bool loaded = DwordOf(Query(at.root, at.path, "LoadAppInit_DLLs", at.location)) == 1;
    for (std::string& dll : ListParts(*list, " ,")) {
      Add("AppInit", at, "AppInit_DLLs", dll, ImageRule::LoadPath,
          loaded ? kEnabled : "Disabled (LoadAppInit_DLLs is not 1)");
    }
  }

  // Each known DLL is mapped for 64-bit programs from System32 and for 32-bit ones from SysWOW64.
  void ReadKnownDlls() {
    Reading({"KnownDLLs"});
    const std::string path = std::string(kSessionManager) + "\\KnownDLLs";
    const KeyAt at = MachineKey(path);
    for (auto& [name, raw] : Values(at.root, at.path, at.location)) {
      const auto dll = CommandText(raw);
      if (!dll || StartsWithIgnoreCase(name, "DllDirectory")) continue;
      Add("KnownDLLs", at, name, *dll, ImageRule::LoadPath);
      Add("KnownDLLs", at, name + " (32-bit)", *dll, ImageRule::LoadPath).wow32 = true;
    }
  }

  // AppCompatFlags\Custom\<program>\<id>.sdb: a shim database applied to the program, whose file
  // its InstalledSDB entry names.
  void ReadAppCompatCustom() {
    Reading({"AppCompat"});
    const Hive& machine = Machine64Hive();
    const std::string flags = "Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\";
    const KeyAt at = Where(machine, Scope::Machine64, flags + "Custom");
    for (const std::string& program : Subkeys(at.root, at.path, at.location)) {
      for (auto& [name, raw] : Values(at.root, at.path + "\\" + program, at.location)) {
        const std::string id = name.substr(0, name.rfind('.'));
        const auto database = QueryText(at.root, machine.Path(flags + "InstalledSDB\\" + id),
                                        "DatabasePath", {});
        AutostartEntry& entry = Add("AppCompat", at, program + "\\" + name, name,
                                    database ? ImageRule::Given : ImageRule::NoFile);
        entry.image = database.value_or("");
        if (!database) entry.noFile = "no installed database has that id";
      }
    }
  }

  // Every service and driver that is not disabled: the program the service manager starts, the
  // DLL a shared service runs in it, and the program run when the service fails.
  void ReadServices() {
    Reading({"Services", "Drivers"});
    const std::string location = "HKEY_LOCAL_MACHINE\\" + std::string(kServices);
    constexpr RegistryRoot kMachine = RegistryRoot::LocalMachine;
    const KeyAt at{nullptr, kMachine, std::string(kServices), location};
    for (const std::string& name : Subkeys(kMachine, std::string(kServices), location)) {
      const std::string path = std::string(kServices) + "\\" + name;
      const auto start = DwordOf(Query(kMachine, path, "Start", location));
      const std::int32_t type = DwordOf(Query(kMachine, path, "Type", location)).value_or(0);
      // Kernel, file system, adapter and recognizer drivers.
      const bool driver = (type & 0x0F) != 0;
      const bool triggered = !Subkeys(kMachine, path + "\\TriggerInfo", {}).empty();
      const auto state = start ? ServiceState(*start, driver, triggered) : std::nullopt;
      if (!state) continue;
      const std::string_view family = driver ? "Drivers" : "Services";
      const auto command = QueryText(kMachine, path, "ImagePath", location);
      if (driver) {
        // A driver without an image path is loaded from the drivers folder by its name.
        AutostartEntry& entry = Add(family, at, name, command.value_or(""), ImageRule::DriverPath,
                                    *state);
        if (!command) entry.image = "System32\\drivers\\" + name + ".sys";
        continue;
      }
      if (command) Add(family, at, name, *command, ImageRule::CommandLine, *state);
      auto dll = QueryText(kMachine, path + "\\Parameters", "ServiceDll", location);
      if (!dll) dll = QueryText(kMachine, path, "ServiceDll", location);
      if (dll && !Trim(*dll).empty()) {
        Add(family, {nullptr, kMachine, path, location + "\\" + name + "\\Parameters"}, name, *dll,
            ImageRule::LoadPath, *state);
      }
      const auto failure = QueryText(kMachine, path, "FailureCommand", location);
      if (failure && !Trim(*failure).empty())
        Add(family, at, name + " (failure command)", *failure, ImageRule::CommandLine, *state);
    }
  }

  // The network providers in their order, each the DLL its service's NetworkProvider key names.
  void ReadNetworkProviders() {
    Reading({"Network Providers"});
    const std::string order = "SYSTEM\\CurrentControlSet\\Control\\NetworkProvider\\Order";
    const auto list = QueryText(RegistryRoot::LocalMachine, order, "ProviderOrder", order);
    if (!list) return;
    for (const std::string& provider : ListParts(*list, ",")) {
      const std::string key = std::string(kServices) + "\\" + provider + "\\NetworkProvider";
      const KeyAt at = MachineKey(key);
      if (const auto dll = QueryText(at.root, key, "ProviderPath", at.location))
        Add("Network Providers", at, provider, *dll, ImageRule::LoadPath);
    }
  }

  // The Winsock catalogs, the 64-bit programs' and the 32-bit ones': each protocol provider's DLL
  // from its packed entry, each name-space provider's from its LibraryPath.
  void ReadWinsock() {
    Reading({"Winsock"});
    const std::string parameters = std::string(kServices) + "\\WinSock2\\Parameters\\";
    for (const auto& [entries, wow] :
         {std::pair{"Catalog_Entries64", false}, std::pair{"Catalog_Entries", true}}) {
      const std::string protocols = parameters + "Protocol_Catalog9\\" + entries;
      const KeyAt at = MachineKey(protocols);
      for (const std::string& item : Subkeys(at.root, protocols, at.location)) {
        const auto packed = Query(at.root, protocols + "\\" + item, "PackedCatalogItem",
                                  at.location);
        if (!packed) continue;
        const Result<std::string> path = PackedCatalogItemPath(packed->data);
        AutostartEntry& entry = Add("Winsock", at, item, path.value,
                                    path.Failed() ? ImageRule::NoFile : ImageRule::LoadPath);
        entry.wow32 = wow;
        if (path.Failed()) entry.noFile = "the catalog entry does not read: " + path.error->message;
      }
      const std::string names = parameters + "NameSpace_Catalog5\\" + entries;
      const KeyAt namesAt = MachineKey(names);
      for (const std::string& item : Subkeys(namesAt.root, names, namesAt.location)) {
        const auto dll = QueryText(namesAt.root, names + "\\" + item, "LibraryPath",
                                   namesAt.location);
        if (dll && !Trim(*dll).empty())
          Add("Winsock", namesAt, item, *dll, ImageRule::LoadPath).wow32 = wow;
      }
    }
  }

  // A print processor's DLL is named bare and loaded from the spooler's processors folder.
  void ReadPrintProcessors() {
    Reading({"Print Monitors"});
    const std::string key =
        "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Print Processors";
    const KeyAt at = MachineKey(key);
    const std::string folder = system_.WindowsFolder() + "\\System32\\spool\\prtprocs\\x64\\";
    for (const std::string& processor : Subkeys(at.root, key, at.location)) {
      const auto dll = QueryText(at.root, key + "\\" + processor, "Driver", at.location);
      if (!dll || Trim(*dll).empty()) continue;
      AutostartEntry& entry = Add("Print Monitors", at, processor, *dll, ImageRule::LoadPath);
      if (dll->find_first_of("\\/:") == std::string::npos) entry.image = folder + *dll;
    }
  }

  // Group Policy's scripts: Scripts\<kind>\<policy>\<item> with Script and Parameters, where
  // policies are applied and where they are kept.
  void ReadGroupPolicyScripts(const Hive& hive) {
    Reading({"Logon Scripts"});
    if (hive.wow) return;
    const auto kinds = hive.machine ? std::array<std::string_view, 2>{"Startup", "Shutdown"}
                                    : std::array<std::string_view, 2>{"Logon", "Logoff"};
    for (std::string_view kind : kinds) {
      ReadScriptsKey(hive,
                     std::string(kCurrentVersion) + "Group Policy\\Scripts\\" + std::string(kind));
      ReadScriptsKey(hive, "Policies\\Microsoft\\Windows\\System\\Scripts\\" + std::string(kind));
    }
  }

  void ReadScriptsKey(const Hive& hive, const std::string& key) {
    const KeyAt at = Where(hive, Scope::Machine, key);
    for (const std::string& policy : Subkeys(at.root, at.path, at.location)) {
      for (const std::string& item : Subkeys(at.root, at.path + "\\" + policy, at.location)) {
        const std::string path = at.path + "\\" + policy + "\\" + item;
        const auto script = QueryText(at.root, path, "Script", at.location);
        if (!script || Trim(*script).empty()) continue;
        const auto parameters = QueryText(at.root, path, "Parameters", at.location);
        Add("Logon Scripts", at, policy + "\\" + item,
            CommandLineOf(*script, parameters.value_or("")));
      }
    }
  }

  // Office add-ins: each add-in's ProgID, its class, and the server of that class; loaded at the
  // program's start when LoadBehavior says 3.
  void ReadOfficeAddins(const Hive& hive) {
    Reading({"Office"});
    for (std::string_view app : kOfficeApps) {
      const KeyAt at = Where(hive, Scope::Machine,
                             "Microsoft\\Office\\" + std::string(app) + "\\Addins");
      for (const std::string& progId : Subkeys(at.root, at.path, at.location)) {
        const auto behavior = DwordOf(Query(at.root, at.path + "\\" + progId, "LoadBehavior", {}));
        std::string id;
        for (const auto& [root, classes] : ClassRoots(hive)) {
          if (const auto found = QueryText(root, classes + "\\" + progId + "\\CLSID", "", {})) {
            id = *found;
            break;
          }
        }
        const Server server = id.empty() ? Server{progId, ImageRule::NoFile, std::string(kNoServer)}
                                         : ClassServer(hive, id);
        const std::string state =
            behavior == 3 ? std::string(kEnabled)
                          : "Not loaded at start (LoadBehavior " +
                                (behavior ? std::to_string(*behavior) : std::string("unset")) + ")";
        AutostartEntry& entry = Add("Office", at, progId, server.command, server.rule, state);
        entry.noFile = server.noFile;
      }
    }
  }

  // An executable type's open command, where it is not Windows' own, and an extension that
  // names another type than Windows' own.
  void ReadFileAssociations(const Hive& hive) {
    Reading({"Image Hijacks"});
    for (const OwnOpenCommand& own : kOwnOpenCommands) {
      const KeyAt at = Where(hive, Scope::Machine,
                             "Classes\\" + std::string(own.type) + "\\shell\\open\\command");
      const auto command = QueryText(at.root, at.path, "", at.location);
      if (command && !EqualsIgnoreCase(Trim(*command), own.command))
        Add("Image Hijacks", at, std::string(own.type), *command);
      const KeyAt extension = Where(hive, Scope::Machine, "Classes\\" + std::string(own.extension));
      const auto type = QueryText(extension.root, extension.path, "", extension.location);
      if (type && !Trim(*type).empty() && !EqualsIgnoreCase(Trim(*type), own.type)) {
        Add("Image Hijacks", extension, std::string(own.extension), *type, ImageRule::NoFile)
            .noFile = "the extension names another program type";
      }
    }
  }

  // The Startup folders: the common one, the current user's, each other account's profile's, and
  // wherever the Shell Folders keys move them; each folder read once, however often it is named.
  void ReadStartupFolders() {
    Reading({"Logon"});
    const std::string approved = std::string(kCurrentVersion) + std::string(kApproved) +
                                 "StartupFolder";
    const Approvals common = ReadApprovals(RegistryRoot::LocalMachine, "SOFTWARE\\" + approved);
    const Approvals own = ReadApprovals(RegistryRoot::CurrentUser, "Software\\" + approved);
    ReadStartupFolder(system_.CommonStartupFolder(), common);
    ReadStartupFolder(system_.UserStartupFolder(), own);
    const Hive& machine = Machine64Hive();
    for (std::string_view value : {"Common Startup", "Common AltStartup"})
      ReadMovedFolder(machine, value, common);
    ReadMovedFolder(CurrentUserHive(), "Startup", own);
    ReadMovedFolder(CurrentUserHive(), "AltStartup", own);
    const std::string self = LowerCase(system_.CurrentUserSid());
    for (const std::string& sid :
         Subkeys(RegistryRoot::LocalMachine, std::string(kProfileList), kProfileList)) {
      // Only accounts' profiles: the service accounts' are never logged on to.
      if (!IsPersonSid(sid)) continue;
      if (LowerCase(sid) == self) continue;
      const auto profile = QueryText(RegistryRoot::LocalMachine,
                                     std::string(kProfileList) + "\\" + sid, "ProfileImagePath",
                                     kProfileList);
      if (!profile || profile->empty()) continue;
      const auto hive = std::find_if(hives_.begin(), hives_.end(), [&sid](const Hive& loaded) {
        return EqualsIgnoreCase(loaded.sid, sid);
      });
      if (hive == hives_.end()) {
        ReadStartupFolder(keys_.ExpandEnvironment(*profile) + std::string(kStartupBelowProfile), {},
                          "Not known (the user's hive is not loaded)");
        continue;
      }
      const Approvals approvals = ReadApprovals(RegistryRoot::Users, hive->Path(approved));
      if (!ReadMovedFolder(*hive, "Startup", approvals)) {
        ReadStartupFolder(keys_.ExpandEnvironment(*profile) + std::string(kStartupBelowProfile),
                          approvals);
      }
      ReadMovedFolder(*hive, "AltStartup", approvals);
    }
  }

  // The folder a hive's User Shell Folders (else Shell Folders) value names; false when neither
  // names one.
  bool ReadMovedFolder(const Hive& hive, std::string_view value, const Approvals& approvals) {
    for (std::string_view key : {kShellFolders, std::string_view("Explorer\\Shell Folders")}) {
      const std::string path = hive.Path(std::string(kCurrentVersion) + std::string(key));
      const auto folder = QueryText(hive.root, path, value, {});
      if (!folder || Trim(*folder).empty()) continue;
      ReadStartupFolder(keys_.ExpandEnvironment(ExpandIn(*folder, hive.environment)), approvals);
      return true;
    }
    return false;
  }

  void ReadStartupFolder(const std::string& folder, const Approvals& approvals,
                         std::string_view state = kEnabled) {
    if (folder.empty() || !foldersRead_.insert(LowerCase(folder)).second) return;
    const KeyAt at{nullptr, RegistryRoot::None, {}, folder};
    for (StartupFile& file : Take(system_.StartupFiles(folder), folder)) {
      if (EqualsIgnoreCase(file.name, "desktop.ini")) continue;
      AutostartEntry& entry = Add("Logon", at, std::move(file.name), std::move(file.command),
                                  ImageRule::CommandLine, state);
      ApplyApproval(entry, approvals);
    }
  }

  // Folders whose files start with a program or a shell: Word's and Excel's start-up folders and
  // the PowerShell profiles, of the current user and every other loaded one.
  void ReadUserFolders() {
    Reading({"Office", "Logon Scripts"});
    for (const Hive& hive : hives_) {
      if (hive.machine) continue;
      const auto expand = [&](std::string_view text) {
        return keys_.ExpandEnvironment(ExpandIn(text, hive.environment));
      };
      const std::string appData = expand("%APPDATA%");
      if (appData.find('%') == std::string::npos) {
        for (std::string_view folder :
             {"\\Microsoft\\Word\\STARTUP", "\\Microsoft\\Excel\\XLSTART"})
          ReadOfficeFolder(appData + std::string(folder));
      }
      const std::string profile = expand("%USERPROFILE%");
      if (profile.find('%') != std::string::npos) continue;
      for (std::string_view file :
           {"\\Documents\\WindowsPowerShell\\profile.ps1",
            "\\Documents\\WindowsPowerShell\\Microsoft.PowerShell_profile.ps1",
            "\\Documents\\PowerShell\\profile.ps1",
            "\\Documents\\PowerShell\\Microsoft.PowerShell_profile.ps1"}) {
        AddScriptFile(profile + std::string(file));
      }
    }
    const std::string shell = system_.WindowsFolder() + "\\System32\\WindowsPowerShell\\v1.0\\";
    for (std::string_view file : {"profile.ps1", "Microsoft.PowerShell_profile.ps1"})
      AddScriptFile(shell + std::string(file));
  }

  void ReadOfficeFolder(const std::string& folder) {
    if (!foldersRead_.insert(LowerCase(folder)).second) return;
    const KeyAt at{nullptr, RegistryRoot::None, {}, folder};
    for (StartupFile& file : Take(system_.StartupFiles(folder), folder))
      Add("Office", at, std::move(file.name), std::move(file.command));
  }

  void AddScriptFile(const std::string& path) {
    if (!system_.IsFile(path)) return;
    const std::size_t slash = path.rfind('\\');
    AutostartEntry& entry = Add("Logon Scripts",
                                {nullptr, RegistryRoot::None, {}, path.substr(0, slash)},
                                path.substr(slash + 1), path, ImageRule::Given);
    entry.image = path;
  }

  // Group Policy's scripts.ini and psscripts.ini: [Startup] 0CmdLine=... 0Parameters=...
  void ReadScriptFiles() {
    Reading({"Logon Scripts"});
    const std::string policy = system_.WindowsFolder() + "\\System32\\GroupPolicy\\";
    for (std::string_view scope : {"Machine", "User"}) {
      for (std::string_view file : {"scripts.ini", "psscripts.ini"}) {
        const std::string folder = policy + std::string(scope) + "\\Scripts";
        const std::string path = folder + "\\" + std::string(file);
        const auto bytes = Take(system_.SmallFile(path, kMaxScriptsIni), path);
        if (!bytes) continue;
        for (const ScriptLine& line : ReadScriptsIni(*bytes)) {
          AutostartEntry& entry = Add("Logon Scripts", {nullptr, RegistryRoot::None, {}, path},
                                      line.name, CommandLineOf(line.script, line.parameters));
          // A script named without a folder is in its kind's folder beside the file.
          if (line.script.find_first_of("\\/:") == std::string::npos)
            entry.image = folder + "\\" + line.section + "\\" + line.script;
        }
      }
    }
  }

  void ReadAccessibilityPrograms() {
    Reading({"Accessibility"});
    const std::string folder = system_.WindowsFolder() + "\\System32";
    const KeyAt at{nullptr, RegistryRoot::None, {}, folder};
    for (std::string_view program : kAccessibilityPrograms) {
      const std::string path = folder + "\\" + std::string(program);
      if (!system_.IsFile(path)) continue;
      Add("Accessibility", at, std::string(program), path, ImageRule::Given).image = path;
    }
  }

  // Each program action an entry; a task whose actions are not known (only in the cache, or its
  // file unreadable) one entry that says why, so that a hidden task still shows.
  void ReadTasks() {
    Reading({"Scheduled Tasks"});
    for (ScheduledTask& task : Take(GatherScheduledTasks(keys_, system_), "")) {
      const std::string location = std::string(kTaskScheduler) +
                                   (task.folder.empty() ? "\\" : task.folder);
      std::string state = task.unread.empty() ? std::string(task.enabled ? kEnabled : kDisabled)
                                              : "Not known (" + task.unread + ")";
      if (task.hidden) state += "; hidden (no security descriptor)";
      if (task.commands.empty() && (!task.unread.empty() || task.hidden))
        task.commands.emplace_back();
      const std::string triggers = TriggersText(task.triggers);
      const KeyAt at{nullptr, RegistryRoot::None, {}, location};
      for (std::string& command : task.commands) {
        AutostartEntry& entry = Add("Scheduled Tasks", at, task.name, std::move(command),
                                    ImageRule::CommandLine, state);
        entry.triggers = triggers;
        entry.source = task.source;
      }
      // A COM handler runs in its class's server: the current user's class before the machine's.
      for (const std::string& handler : task.handlers) {
        const Server server = ClassServer(CurrentUserHive(), handler);
        AutostartEntry& entry = Add("Scheduled Tasks", at, task.name, server.command, server.rule,
                                    state);
        entry.noFile = server.noFile;
        entry.triggers = triggers;
        entry.source = task.source;
      }
    }
  }

  // WMI's permanent event subscriptions in the two namespaces consumers are made in; one that
  // does not exist (Wine has neither) is said in a note.
  void ReadEventSubscriptions() {
    Reading({"WMI"});
    std::vector<std::string_view> missing;
    for (std::string_view wmiNamespace : {"root\\subscription", "root\\default"}) {
      auto read = Take(system_.EventSubscriptions(wmiNamespace),
                       "WMI " + std::string(wmiNamespace));
      if (!read) {
        missing.push_back(wmiNamespace);
        continue;
      }
      for (AutostartEntry& entry : SubscriptionEntries(*read)) entries_.push_back(std::move(entry));
    }
    if (missing.empty()) return;
    std::string note = missing.size() == 1 ? "The WMI namespace " : "The WMI namespaces ";
    for (std::size_t i = 0; i < missing.size(); ++i)
      note += (i == 0 ? "" : " and ") + std::string(missing[i]);
    notes_.push_back(note + (missing.size() == 1 ? " does" : " do") +
                     " not exist: no event subscriptions there.");
  }

  void ReadBitsJobs() {
    Reading({"BITS"});
    Result<std::optional<std::vector<BitsJob>>> read = system_.BitsJobs();
    if (!read.value) {
      notes_.push_back(read.error ? "BITS jobs are not read: " + read.error->message
                                  : "This system's BITS does not say which program a job runs "
                                    "when it ends.");
      return;
    }
    auto jobs = Take(std::move(read), "BITS");
    for (AutostartEntry& entry : BitsEntries(*jobs)) entries_.push_back(std::move(entry));
  }

  // The startup tasks packaged apps declare, each user's once. The user's own choice (Task
  // Manager, the app's settings) is the State value of the task in the user's classes hive; where
  // there is none yet, the task is as its manifest declares it.
  void ReadPackagedApps() {
    Reading({"Packaged Apps"});
    if (!profiles_) return;
    const StorePackages read = Take(ReadStorePackages(keys_, *profiles_), "Packaged apps");
    for (const StorePackage& package : read.packages) {
      const std::string family = SplitPackageFullName(package.fullName).family;
      const MachineUser* user = package.user ? &read.users[*package.user] : nullptr;
      const std::string location = user ? PackageStateKeyName(*user, family)
                                        : package.installFolder + "\\AppxManifest.xml";
      for (const StartupTaskDeclaration& task : package.manifest.startupTasks) {
        const std::string image = StartupTaskImage(package, task);
        const std::string state = PackagedTaskState(user, family, task);
        AutostartEntry& entry = Add("Packaged Apps", {nullptr, RegistryRoot::None, {}, location},
                                    task.taskId, image, ImageRule::Given, state);
        entry.image = image;
      }
    }
  }

  std::string PackagedTaskState(const MachineUser* user, const std::string& family,
                                const StartupTaskDeclaration& task) {
    const std::string declared(task.enabled ? kEnabled : kDisabled);
    if (!user) return declared;
    if (!user->hiveLoaded) return std::string(kHiveNotLoaded);
    // A task id that could name another key than its own reads nothing.
    if (task.taskId.empty() || task.taskId.find('\\') != std::string::npos) return declared;
    const std::string key = PackageStateKey(*user, family) + "\\" + task.taskId;
    const auto state = DwordOf(
        Query(user->root, key, "State", PackageStateKeyName(*user, family) + "\\" + task.taskId));
    return state ? StartupTaskStateText(static_cast<std::uint32_t>(*state)) : declared;
  }

  RegistryRoutines& keys_;
  AutostartSystem& system_;
  UserProfileSystem* profiles_;
  std::vector<std::string> notes_;
  std::vector<Hive> hives_;  // the machine's two views, the current user, the other loaded users
  std::vector<std::string> loadedUsers_;
  std::set<std::string> foldersRead_;  // lower case
  std::unordered_map<std::string, Server> servers_;  // by classes key and class id
  std::vector<AutostartEntry> entries_;
  Status error_;  // the first failure of a read all families share
  std::vector<std::string_view> reading_;  // none while the users' hives are read
  std::vector<FamilyRead> families_;
};

}  // namespace

Result<std::vector<AutostartEntry>> GatherAutostartEntries(AutostartSources& sources,
                                                           std::vector<std::string>* notes,
                                                           std::vector<FamilyRead>* families) {
  Gatherer gatherer(sources);
  Result<std::vector<AutostartEntry>> entries = gatherer.Run();
  if (notes) *notes = gatherer.Notes();
  if (families) *families = gatherer.Families();
  return entries;
}

}  // namespace sysinfo
