// Autostart Entries over a fake machine of 2,000 entries spread over every family it reads,
// planted from the place table and for each of the gatherer's own readers: at each level the
// category's time and peak heap per entry, against the very registry and file reads it made,
// recorded during one run and replayed bare. On Windows (Wine) the same keys are also planted in
// the real registry and read from there.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/levels.h"
#include "base/text.h"
#include "collectors/autostart.h"
#include "collectors/autostart_places.h"
#include "collectors/file_examinations.h"
#include "report/report.h"
#include "bench/heap_peak.h"
#include "tests/fakes/fake_registry.h"

#ifdef _WIN32
#include <windows.h>

#include "base/handles_win.h"
#include "base/unicode_win.h"
#include "support/registry_win.h"
#endif

namespace sysinfo {
namespace {

using testing::Dword;
using testing::Text;

constexpr int kRepeats = 15;  // the best of several runs, to keep other work on the machine out
constexpr int kEntries = 2'000;
constexpr int kNoLimit = kEntries;
constexpr RegistryRoot kLm = RegistryRoot::LocalMachine;
constexpr std::string_view kSelf = "S-1-5-21-1-1-1-1000";  // the scan's own user, HKCU
constexpr std::string_view kOther = "S-1-5-21-1-1-1-1001";  // loaded, with a classes hive
constexpr std::string_view kAway = "S-1-5-21-1-1-1-1002";  // a profile whose hive is not loaded
constexpr std::string_view kCurrentVersion = "Microsoft\\Windows\\CurrentVersion\\";
constexpr std::string_view kShellFolders =
    "Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr std::string_view kServices = "SYSTEM\\CurrentControlSet\\Services\\";
constexpr std::string_view kStartupBelowProfile =
    "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
const std::string kCommonStartup =
    "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp";
const std::string kUserStartup = "C:\\Users\\me" + std::string(kStartupBelowProfile);

// The machine's environment, the same on every platform so that the planted paths resolve.
constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kEnvironment{{
    {"SystemRoot", "C:\\Windows"},
    {"windir", "C:\\Windows"},
    {"SystemDrive", "C:"},
    {"ProgramData", "C:\\ProgramData"},
    {"ProgramFiles", "C:\\Program Files"},
    {"USERPROFILE", "C:\\Users\\me"},
    {"APPDATA", "C:\\Users\\me\\AppData\\Roaming"},
    {"LOCALAPPDATA", "C:\\Users\\me\\AppData\\Local"},
}};

std::string Expand(std::string_view text) {
  std::string expanded;
  for (;;) {
    const std::size_t open = text.find('%');
    const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    const std::string_view name = text.substr(open + 1, close - open - 1);
    const auto found = std::find_if(
        kEnvironment.begin(), kEnvironment.end(),
        [name](const auto& pair) { return EqualsIgnoreCase(pair.first, name); });
    expanded.append(text.substr(0, open));
    if (found == kEnvironment.end()) {
      expanded.append(text.substr(open, close - open));
      text.remove_prefix(close);
    } else {
      expanded.append(found->second);
      text.remove_prefix(close + 1);
    }
  }
  expanded.append(text);
  return expanded;
}

std::string_view RootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::LocalMachine: return "HKLM";
    case RegistryRoot::CurrentUser: return "HKCU";
    case RegistryRoot::Users: return "HKU";
    default: return "Other";
  }
}

// The machine's keys with its environment. With a `base`, every root is a key below
// HKEY_CURRENT_USER\<base>, so the real registry holds the machine without touching the system's
// own places.
class MachineKeys final : public RegistryRoutines {
 public:
  explicit MachineKeys(RegistryRoutines& keys, std::string base = {})
      : keys_(keys), base_(std::move(base)) {}

  Result<std::optional<RawRegistryValue>> QueryValue(RegistryRoot root, std::string_view path,
                                                     std::string_view name,
                                                     RegistryView view) override {
    const auto [at, key] = Where(root, path);
    return keys_.QueryValue(at, key, name, view);
  }
  Result<std::vector<std::string>> SubkeyNames(RegistryRoot root, std::string_view path,
                                               RegistryView view) override {
    const auto [at, key] = Where(root, path);
    return keys_.SubkeyNames(at, key, view);
  }
  Result<std::vector<NamedRegistryValue>> Values(RegistryRoot root, std::string_view path,
                                                 RegistryView view) override {
    const auto [at, key] = Where(root, path);
    return keys_.Values(at, key, view);
  }
  std::string ExpandEnvironment(std::string_view text) override { return Expand(text); }

 private:
  std::pair<RegistryRoot, std::string> Where(RegistryRoot root, std::string_view path) const {
    if (base_.empty()) return {root, std::string(path)};
    std::string key = base_ + "\\" + std::string(RootName(root));
    if (!path.empty()) key += "\\" + std::string(path);
    return {RegistryRoot::CurrentUser, std::move(key)};
  }

  RegistryRoutines& keys_;
  std::string base_;
};

class TextSink final : public ReportSink {
 public:
  std::string text;
  bool keep = false;  // a timed run keeps nothing
  Status Write(std::string_view utf8Text) override {
    if (keep) text.append(utf8Text);
    return std::nullopt;
  }
  Status Close() override { return std::nullopt; }
};

// The machine's files (found in any letter case, as Windows finds them), Startup folders, tasks
// and Group Policy script files.
class BenchSystem final : public AutostartSystem {
 public:
  std::map<std::string, std::vector<StartupFile>> folders;  // by the folder in lower case
  std::vector<ScheduledTask> tasks;
  std::vector<TaskFile> taskFiles;
  std::map<std::string, std::string> smallFiles;

  void AddFile(const std::string& path) { files_.insert(LowerCase(path)); }

  std::string WindowsFolder() override { return "C:\\Windows"; }
  std::string CurrentUserSid() override { return std::string(kSelf); }
  std::string CommonStartupFolder() override { return kCommonStartup; }
  std::string UserStartupFolder() override { return kUserStartup; }
  Result<std::vector<StartupFile>> StartupFiles(const std::string& folder) override {
    const auto found = folders.find(LowerCase(folder));
    if (found == folders.end()) return {};
    return {found->second, {}};
  }
  Result<std::vector<ScheduledTask>> ScheduledTasks() override { return {tasks, {}}; }
  Result<std::vector<TaskFile>> TaskFiles() override { return {taskFiles, {}}; }
  Result<std::optional<std::vector<EventSubscription>>> EventSubscriptions(
      std::string_view) override {
    return {};
  }
  Result<std::optional<std::vector<BitsJob>>> BitsJobs() override { return {}; }
  Result<std::optional<std::string>> SmallFile(const std::string& path, std::size_t) override {
    const auto found = smallFiles.find(path);
    if (found == smallFiles.end()) return {};
    return {found->second, {}};
  }
  bool IsFile(const std::string& path) override { return files_.count(LowerCase(path)) > 0; }
  FileTimes Times(const std::string&) override {
    return {std::string("Monday"), std::string("Tuesday")};
  }
  SourceValue TimeText(std::uint64_t) override { return std::string("Wednesday"); }

 private:
  std::unordered_set<std::string> files_;
};

// What reading an image tells: signed, by Windows for the Windows folder's files.
class BenchFiles final : public SuspiciousFileSource {
 public:
  std::string SpecialFolder(int) override { return {}; }
  FolderListing FindEntries(const std::string&) override { return {}; }
  VersionStrings Version(const std::string&) override {
    VersionStrings version;
    version.companyName = "Maker";
    version.fileVersion = "1.0.0.1";
    return version;
  }
  FileChecksums Checksums(const std::string&) override { return {"CRC", "MD5"}; }
  FileChecksums ChecksumsWithSha256(const std::string&) override {
    return {"CRC", "MD5", std::string(64, 'A')};
  }
  std::optional<FileSignature> Signature(const std::string& path) override {
    const bool windows = StartsWithIgnoreCase(path, "C:\\Windows\\");
    return FileSignature{SignatureStatus::Signed, windows ? "Microsoft Windows" : "Maker", false,
                         ""};
  }
};

// --- The machine -------------------------------------------------------------------------------

// A hive entries are planted in: the machine's two views, the current user, one other user.
struct PlantHive {
  RegistryRoot root;
  std::string rootPath;  // the user's SID below HKEY_USERS; empty otherwise
  std::string software;
  std::string machineClasses;  // where the machine's classes of its view are
  std::string ownClasses;  // a user's own classes; empty for the machine
  bool machine = false;
  bool wow = false;
};

std::string ClassId(int n) {
  std::array<char, 40> text{};
  std::snprintf(text.data(), text.size(), "{%08X-B5E1-4C3A-9D2F-%012X}", n, n);
  return text.data();
}

// Every image an entry names, each a file of the machine: every third below the Windows folder
// (signed by Windows, so that Basic counts it among Windows' own), the others in a vendor's folder
// whose path holds blanks; every other command quoted, and those left bare name the Windows folder
// through %SystemRoot%.
class Images {
 public:
  explicit Images(BenchSystem& system) : system_(system) {}

  std::string Path(std::string_view stem, std::string_view extension) {
    const int n = next_++;
    const std::string file = std::string(stem) + std::to_string(n) + std::string(extension);
    const std::string path = n % 3 == 0 ? "C:\\Windows\\System32\\" + file
                                        : "C:\\Program Files\\Vendor " + std::to_string(n % 97) +
                                              "\\" + file;
    system_.AddFile(path);
    return path;
  }
  // For lists parted by blanks.
  std::string PathWithoutBlanks(std::string_view stem, std::string_view extension) {
    const int n = next_++;
    const std::string file = std::string(stem) + std::to_string(n) + std::string(extension);
    const std::string path = (n % 3 == 0 ? "C:\\Windows\\System32\\" : "C:\\Tools\\") + file;
    system_.AddFile(path);
    return path;
  }
  std::string Command(std::string_view stem, std::string_view extension = ".exe") {
    quoted_ = !quoted_;
    const std::string path = Path(stem, extension);
    return quoted_ ? "\"" + path + "\" /background" : Bare(path) + " -tray";
  }
  std::string Dll(std::string_view stem, std::string_view extension = ".dll") {
    quoted_ = !quoted_;
    const std::string path = Path(stem, extension);
    return quoted_ ? "\"" + path + "\"" : Bare(path);
  }
  std::string For(ImageRule rule) {
    switch (rule) {
      case ImageRule::LoadPath: return Dll("module");
      case ImageRule::DriverPath: return Dll("driver", ".sys");
      case ImageRule::Given: return Path("database", ".sdb");
      default: return Command("program");
    }
  }

 private:
  static std::string Bare(const std::string& path) {
    return StartsWithIgnoreCase(path, "C:\\Windows\\") ? "%SystemRoot%" + path.substr(10) : path;
  }

  BenchSystem& system_;
  int next_ = 0;
  bool quoted_ = false;
};

RawRegistryValue Disabled() {
  return {kRegBinary, {3, 0, 0, 0, 0x00, 0x80, 0x3E, 0xD5, 0xDE, 0xB1, 0x9D, 0x01}};
}

// A task file as Windows writes it: UTF-16 LE after its BOM.
std::string TaskFileBytes(const std::string& command, bool enabled) {
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Task version=\"1.2\" "
      "xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\"><Triggers><LogonTrigger>"
      "<Enabled>true</Enabled></LogonTrigger><CalendarTrigger><StartBoundary>2024-01-01T03:00:00"
      "</StartBoundary></CalendarTrigger></Triggers><Settings><Enabled>" +
      std::string(enabled ? "true" : "false") +
      "</Enabled></Settings><Actions Context=\"Author\"><Exec><Command>" + command +
      "</Command><Arguments>/run</Arguments></Exec></Actions></Task>";
  std::string bytes = "\xFF\xFE";
  for (char c : xml) bytes += {c, '\0'};
  return bytes;
}

// A place of the machine that holds entries: how many one planting makes, how many the place can
// hold, and how to plant that many.
struct Slot {
  std::string family;
  int unit = 1;
  int room = kNoLimit;
  std::function<void(int entries)> plant;
};

class Machine {
 public:
  testing::FakeRegistry keys;
  BenchSystem system;

  Machine() {
    hives_ = {{kLm, "", "SOFTWARE", "SOFTWARE\\Classes", "", true, false},
              {kLm, "", "SOFTWARE\\WOW6432Node", "SOFTWARE\\WOW6432Node\\Classes", "", true, true},
              {RegistryRoot::CurrentUser, "", "Software", "SOFTWARE\\Classes", "Software\\Classes"},
              {RegistryRoot::Users, std::string(kOther), std::string(kOther) + "\\Software",
               "SOFTWARE\\Classes", std::string(kOther) + "_Classes"}};
    PlantUsers();
  }

  // The entries planted, by family.
  std::map<std::string, int> Plant() {
    std::vector<Slot> slots;
    AddPlaceSlots(slots);
    AddReaderSlots(slots);
    AddServiceSlots(slots);
    AddFileSlots(slots);
    AddTaskSlots(slots);
    // In each round every family not ahead of the others is given one more planting, in the next
    // of its places with room: the families come out even (a place whose planting makes two
    // entries waits a round), and each place of a family is planted before any gets two.
    std::map<std::string, std::vector<std::size_t>> families;
    for (std::size_t i = 0; i < slots.size(); ++i) families[slots[i].family].push_back(i);
    std::map<std::string, std::size_t> turn;
    std::map<std::string, int> given;
    std::vector<int> counts(slots.size());
    int total = 0;
    for (int round = 0; round < kEntries && total < kEntries; ++round) {
      for (const auto& [family, places] : families) {
        for (std::size_t tried = 0; tried < places.size() && given[family] <= round; ++tried) {
          const std::size_t i = places[turn[family]++ % places.size()];
          if (total + slots[i].unit > kEntries || counts[i] + slots[i].unit > slots[i].room)
            continue;
          counts[i] += slots[i].unit;
          given[family] += slots[i].unit;
          total += slots[i].unit;
          break;
        }
      }
    }
    std::map<std::string, int> planted;
    for (std::size_t i = 0; i < slots.size(); ++i) {
      if (counts[i] > 0) slots[i].plant(counts[i]);
      planted[slots[i].family] += counts[i];
    }
    return planted;
  }

 private:
  // The loaded hives, the profiles (one whose hive is not loaded), another user's variables and
  // folders, where the Startup folders are, and disabled services (read, never listed).
  void PlantUsers() {
    for (const std::string& hive :
         {std::string(kSelf), std::string(kSelf) + "_Classes", std::string(kOther),
          std::string(kOther) + "_Classes", std::string("S-1-5-18"), std::string(".DEFAULT")}) {
      keys.AddKey(RegistryRoot::Users, hive);
    }
    const std::string profiles = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
    for (const auto& [sid, folder] :
         {std::pair{kSelf, "C:\\Users\\me"}, std::pair{kOther, "C:\\Users\\other"},
          std::pair{kAway, "%SystemDrive%\\Users\\gone"},
          std::pair{std::string_view("S-1-5-18"),
                    "%systemroot%\\system32\\config\\systemprofile"}}) {
      keys.Set(kLm, profiles + std::string(sid), "ProfileImagePath", Text(folder, kRegExpandSz));
    }
    const std::string other(kOther);
    keys.Set(RegistryRoot::Users, other + "\\Environment", "TEMP",
             Text("%USERPROFILE%\\AppData\\Local\\Temp", kRegExpandSz));
    const std::string folders = other + "\\Software\\" + std::string(kShellFolders);
    keys.Set(RegistryRoot::Users, folders, "AppData",
             Text("%USERPROFILE%\\AppData\\Roaming", kRegExpandSz));
    keys.Set(RegistryRoot::Users, folders, "Local AppData",
             Text("%USERPROFILE%\\AppData\\Local", kRegExpandSz));
    keys.Set(RegistryRoot::Users, folders, "Startup",
             Text("%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs\\Startup", kRegExpandSz));
    keys.Set(
        kLm, "SOFTWARE\\" + std::string(kShellFolders), "Common Startup",
        Text("%ProgramData%\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp", kRegExpandSz));
    keys.Set(RegistryRoot::CurrentUser, "Software\\" + std::string(kShellFolders), "Startup",
             Text("%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs\\Startup", kRegExpandSz));
    for (int i = 0; i < 50; ++i) {
      const std::string service = std::string(kServices) + "Off" + std::to_string(i);
      keys.Set(kLm, service, "Start", Dword(4));
      keys.Set(kLm, service, "Type", Dword(0x10));
      keys.Set(kLm, service, "ImagePath", Text(images_.Command("off"), kRegExpandSz));
    }
  }

  // --- The table's places, each in every hive the gatherer reads it in ---

  std::vector<const PlantHive*> HivesOf(Scope scope) const {
    std::vector<const PlantHive*> chosen;
    for (const PlantHive& hive : hives_) {
      const bool machine64 = hive.machine && !hive.wow;
      bool wanted = false;
      switch (scope) {
        case Scope::Machine: wanted = hive.machine; break;
        case Scope::Machine64:
        case Scope::System: wanted = machine64; break;
        case Scope::Users:
        case Scope::UserRoot: wanted = !hive.machine; break;
        case Scope::MachineAndUsers: wanted = true; break;
        case Scope::Machine64AndUsers: wanted = machine64 || !hive.machine; break;
      }
      if (wanted) chosen.push_back(&hive);
    }
    return chosen;
  }

  static std::string KeyPath(const PlantHive& hive, Scope scope, std::string_view key) {
    if (scope == Scope::System) return "SYSTEM\\" + std::string(key);
    if (scope == Scope::UserRoot)
      return hive.rootPath.empty() ? std::string(key) : hive.rootPath + "\\" + std::string(key);
    return hive.software + "\\" + std::string(key);
  }

  void AddPlaceSlots(std::vector<Slot>& slots) {
    for (const AutostartPlace& place : AutostartPlaces()) {
      for (const PlantHive* hive : HivesOf(place.scope)) {
        const std::string path = KeyPath(*hive, place.scope, place.key);
        const bool single = place.shape == Shape::NamedValue && place.split == Split::None;
        slots.push_back(
            {std::string(place.family), 1, single ? 1 : kNoLimit,
             [this, &place, hive, path](int count) { PlantPlace(place, *hive, path, count); }});
      }
    }
  }

  void PlantPlace(const AutostartPlace& place, const PlantHive& hive, const std::string& path,
                  int count) {
    for (int i = 0; i < count && place.shape != Shape::NamedValue; ++i) {
      const std::string item = "Item" + std::to_string(i);
      switch (place.shape) {
        case Shape::EveryValue:
          keys.Set(hive.root, path, item, Text(images_.For(place.rule)));
          if (place.key == "Microsoft\\Windows\\CurrentVersion\\Run" && i % 4 == 1)
            Disapprove(hive, item);
          break;
        case Shape::SubkeyValue:
          keys.Set(hive.root, path + "\\" + item, place.value, Text(images_.For(place.rule)));
          break;
        case Shape::ClassValueData:
          keys.Set(hive.root, path, item, Text(NewClass(hive.machineClasses)));
          break;
        case Shape::ClassValueNames:
          keys.Set(hive.root, path, NewClass(hive.machineClasses), Text(""));
          break;
        case Shape::ClassSubkeys:
          keys.AddKey(hive.root, path + "\\" + NewClass(hive.machineClasses));
          break;
        default:
          keys.Set(hive.root, path + "\\" + item, place.value, Text(NewClass(hive.machineClasses)));
          break;
      }
    }
    if (place.shape == Shape::NamedValue)
      keys.Set(hive.root, path, place.value, List(place, count));
  }

  // A named value holding `count` entries, parted as the place parts it.
  RawRegistryValue List(const AutostartPlace& place, int count) {
    const char separator = place.split == Split::Strings  ? '\0'
                           : place.split == Split::Commas ? ','
                                                          : ' ';
    std::string list;
    for (int i = 0; i < count; ++i) {
      if (i > 0) list += separator;
      list += place.split == Split::BlanksOrCommas ? images_.PathWithoutBlanks("listed", ".exe")
                                                   : images_.For(place.rule);
    }
    if (place.split != Split::Strings) return Text(list);
    list += '\0';
    return Text(list, kRegMultiSz);
  }

  // A class with an in-process server among the machine's classes of a view.
  std::string NewClass(const std::string& classes) {
    const std::string id = ClassId(nextClass_++);
    keys.Set(kLm, classes + "\\CLSID\\" + id + "\\InprocServer32", "", Text(images_.Dll("server")));
    return id;
  }

  // Turned off in Task Manager.
  void Disapprove(const PlantHive& hive, const std::string& name) {
    const std::string key = std::string(kCurrentVersion) + "Explorer\\StartupApproved\\" +
                            (hive.wow ? "Run32" : "Run");
    keys.Set(hive.root, (hive.machine ? "SOFTWARE\\" : hive.software + "\\") + key, name,
             Disabled());
  }

  // --- The gatherer's own readers of the registry ---

  void AddReaderSlots(std::vector<Slot>& slots) {
    for (const PlantHive& hive : hives_) {
      slots.push_back({"Logon", 1, kNoLimit, [this, &hive](int n) { PlantRunOnceEx(hive, n); }});
      slots.push_back({"Office", 1, kNoLimit, [this, &hive](int n) { PlantAddins(hive, n); }});
      if (hive.machine) {
        slots.push_back({"AppInit", 1, kNoLimit, [this, &hive](int n) { PlantAppInit(hive, n); }});
      } else {
        slots.push_back(
            {"COM Hijacks", 1, kNoLimit, [this, &hive](int n) { PlantHijacks(hive, n); }});
      }
      if (!hive.wow) {
        slots.push_back(
            {"Logon Scripts", 1, kNoLimit, [this, &hive](int n) { PlantPolicyScripts(hive, n); }});
        slots.push_back(
            {"Image Hijacks", 1, 10, [this, &hive](int n) { PlantAssociations(hive, n); }});
      }
    }
    slots.push_back({"KnownDLLs", 2, kNoLimit, [this](int n) { PlantKnownDlls(n / 2); }});
    slots.push_back({"AppCompat", 2, kNoLimit, [this](int n) { PlantShims(n / 2); }});
    slots.push_back({"Network Providers", 1, kNoLimit, [this](int n) { PlantProviders(n); }});
    slots.push_back({"Print Monitors", 1, kNoLimit, [this](int n) { PlantProcessors(n); }});
  }

  void PlantRunOnceEx(const PlantHive& hive, int count) {
    const std::string section = hive.software + "\\" + std::string(kCurrentVersion) +
                                "RunOnceEx\\0001";
    keys.Set(hive.root, section, "", Text("Setting up"));  // the section's title, no entry
    for (int i = 0; i < count; ++i) {
      const std::string name = "Item" + std::to_string(i);
      if (i % 4 == 3) {
        keys.Set(hive.root, section + "\\Depend", name, Text(images_.Dll("depend")));
      } else {
        keys.Set(
            hive.root, section, name,
            Text(i % 4 == 1 ? images_.Dll("setup") + "|Install|/quiet" : images_.Command("setup")));
      }
    }
  }

  void PlantAddins(const PlantHive& hive, int count) {
    constexpr std::array<std::string_view, 4> kApps{"Word", "Excel", "Outlook", "PowerPoint"};
    for (int i = 0; i < count; ++i) {
      const std::string progId = "Vendor.Addin" + std::to_string(nextClass_);
      const std::string addin = hive.software + "\\Microsoft\\Office\\" +
                                std::string(kApps[static_cast<std::size_t>(i) % kApps.size()]) +
                                "\\Addins\\" + progId;
      keys.Set(hive.root, addin, "LoadBehavior", Dword(i % 3 ? 3 : 2));
      keys.Set(kLm, hive.machineClasses + "\\" + progId + "\\CLSID", "",
               Text(NewClass(hive.machineClasses)));
    }
  }

  void PlantAppInit(const PlantHive& hive, int count) {
    const std::string key = hive.software + "\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
    std::string list;
    for (int i = 0; i < count; ++i)
      list += (i ? " " : "") + images_.PathWithoutBlanks("init", ".dll");
    keys.Set(kLm, key, "AppInit_DLLs", Text(list));
    keys.Set(kLm, key, "LoadAppInit_DLLs", Dword(1));
  }

  // A user's class that shadows the machine's, and (every fourth) a type library of their own.
  void PlantHijacks(const PlantHive& hive, int count) {
    for (int i = 0; i < count; ++i) {
      if (i % 4 == 3) {
        keys.Set(hive.root,
                 hive.ownClasses + "\\TypeLib\\" + ClassId(nextClass_++) + "\\1.0\\0\\" +
                     (i % 8 == 3 ? "win32" : "win64"),
                 "", Text(images_.Dll("typelib", ".tlb")));
        continue;
      }
      const std::string id = NewClass("SOFTWARE\\Classes");
      keys.Set(hive.root, hive.ownClasses + "\\CLSID\\" + id + "\\InprocServer32", "",
               Text(images_.Dll("hijack")));
    }
  }

  void PlantPolicyScripts(const PlantHive& hive, int count) {
    const std::string kind = hive.machine ? "Startup" : "Logon";
    for (int i = 0; i < count; ++i) {
      const std::string key = i % 2
                                  ? std::string(kCurrentVersion) + "Group Policy\\Scripts\\"
                                  : std::string("Policies\\Microsoft\\Windows\\System\\Scripts\\");
      const std::string item = hive.software + "\\" + key + kind + "\\0\\" + std::to_string(i);
      keys.Set(hive.root, item, "Script", Text(images_.Path("policy", ".cmd")));
      keys.Set(hive.root, item, "Parameters", Text("/silent"));
    }
  }

  // Windows' own program types opened by another program, then extensions naming another type.
  void PlantAssociations(const PlantHive& hive, int count) {
    constexpr std::array<std::string_view, 5> kTypes{"exefile", "batfile", "cmdfile", "comfile",
                                                     "scrfile"};
    constexpr std::array<std::string_view, 5> kExtensions{".exe", ".bat", ".cmd", ".com", ".scr"};
    for (int i = 0; i < count; ++i) {
      const auto which = static_cast<std::size_t>(i % 5);
      if (i < 5) {
        keys.Set(
            hive.root,
            hive.software + "\\Classes\\" + std::string(kTypes[which]) + "\\shell\\open\\command",
            "", Text(images_.Command("opener") + " \"%1\" %*"));
      } else {
        keys.Set(hive.root, hive.software + "\\Classes\\" + std::string(kExtensions[which]), "",
                 Text("Vendor.File"));
      }
    }
  }

  void PlantKnownDlls(int count) {
    const std::string key = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\KnownDLLs";
    keys.Set(kLm, key, "DllDirectory", Text("%SystemRoot%\\system32", kRegExpandSz));
    for (int i = 0; i < count; ++i) {
      const std::string dll = "known" + std::to_string(i) + ".dll";
      keys.Set(kLm, key, "known" + std::to_string(i), Text(dll));
      system.AddFile("C:\\Windows\\System32\\" + dll);
    }
  }

  // A shim database applied to a program, and the database's own entry.
  void PlantShims(int count) {
    const std::string flags = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\";
    for (int i = 0; i < count; ++i) {
      const std::string id = ClassId(nextClass_++);
      keys.Set(kLm, flags + "Custom\\legacy" + std::to_string(i) + ".exe", id + ".sdb",
               {kRegBinary, {0, 0, 0, 0, 0, 0, 0, 0}});
      keys.Set(kLm, flags + "InstalledSDB\\" + id, "DatabasePath",
               Text(images_.Path("shim", ".sdb")));
    }
  }

  void PlantProviders(int count) {
    std::string order;
    for (int i = 0; i < count; ++i) {
      const std::string provider = "NetProvider" + std::to_string(i);
      order += (i ? "," : "") + provider;
      keys.Set(kLm, std::string(kServices) + provider + "\\NetworkProvider", "ProviderPath",
               Text(images_.Dll("provider"), kRegExpandSz));
    }
    keys.Set(kLm, "SYSTEM\\CurrentControlSet\\Control\\NetworkProvider\\Order", "ProviderOrder",
             Text(order));
  }

  void PlantProcessors(int count) {
    const std::string key =
        "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Print Processors\\";
    for (int i = 0; i < count; ++i) {
      const std::string dll = "processor" + std::to_string(i) + ".dll";
      keys.Set(kLm, key + "Processor" + std::to_string(i), "Driver", Text(dll));
      system.AddFile("C:\\Windows\\System32\\spool\\prtprocs\\x64\\" + dll);
    }
  }

  // --- Services and drivers: their own programs, shared ones' DLLs, failure commands ---

  void AddServiceSlots(std::vector<Slot>& slots) {
    slots.push_back({"Services", 1, kNoLimit, [this](int n) { PlantServices(n, 1, false); }});
    slots.push_back({"Services", 2, kNoLimit, [this](int n) { PlantServices(n / 2, 2, false); }});
    slots.push_back({"Services", 2, kNoLimit, [this](int n) { PlantServices(n / 2, 3, false); }});
    slots.push_back({"Drivers", 1, kNoLimit, [this](int n) { PlantServices(n, 1, true); }});
    slots.push_back({"Drivers", 1, kNoLimit, [this](int n) { PlantServices(n, 0, true); }});
  }

  // kind 1: its own program; 2: a DLL in a shared svchost; 3: a program and a failure command;
  // a driver of kind 0 has no image path and loads from the drivers folder by its name.
  void PlantServices(int count, int kind, bool driver) {
    for (int i = 0; i < count; ++i) {
      const std::string name = (driver ? "Driver" : "Service") + std::to_string(nextService_++);
      const std::string key = std::string(kServices) + name;
      keys.Set(kLm, key, "Start", Dword(driver ? i % 2 : (i % 3 ? 2 : 3)));
      keys.Set(kLm, key, "Type", Dword(driver ? 1 : kind == 2 ? 0x20 : 0x10));
      if (!driver && i % 3 == 0) keys.AddKey(kLm, key + "\\TriggerInfo\\0");
      if (driver && kind == 0) {
        system.AddFile("C:\\Windows\\System32\\drivers\\" + name + ".sys");
      } else if (driver) {
        keys.Set(kLm, key, "ImagePath",
                 Text(i % 2 ? "\\??\\" + images_.Path("driver", ".sys")
                            : "\\SystemRoot\\System32\\drivers\\" + name + ".sys",
                      kRegExpandSz));
        if (i % 2 == 0) system.AddFile("C:\\Windows\\System32\\drivers\\" + name + ".sys");
      } else if (kind == 2) {
        keys.Set(kLm, key, "ImagePath",
                 Text("%SystemRoot%\\System32\\svchost.exe -k netsvcs -p", kRegExpandSz));
        keys.Set(kLm, key + "\\Parameters", "ServiceDll", Text(images_.Dll("svc"), kRegExpandSz));
      } else {
        keys.Set(kLm, key, "ImagePath", Text(images_.Command("service"), kRegExpandSz));
        if (kind == 3) keys.Set(kLm, key, "FailureCommand", Text(images_.Command("recover")));
      }
    }
    system.AddFile("C:\\Windows\\System32\\svchost.exe");
  }

  // --- Folders and files ---

  void AddFileSlots(std::vector<Slot>& slots) {
    const std::string approved = std::string(kCurrentVersion) +
                                 "Explorer\\StartupApproved\\StartupFolder";
    const std::string other(kOther);
    const std::string otherRoaming = "C:\\Users\\other\\AppData\\Roaming";
    slots.push_back({"Logon", 1, kNoLimit, [this, approved](int n) {
                       PlantStartupFolder(kCommonStartup, n, kLm, "SOFTWARE\\" + approved);
                     }});
    slots.push_back({"Logon", 1, kNoLimit, [this, approved](int n) {
                       PlantStartupFolder(kUserStartup, n, RegistryRoot::CurrentUser,
                                          "Software\\" + approved);
                     }});
    slots.push_back({"Logon", 1, kNoLimit, [this, approved, other](int n) {
                       PlantStartupFolder("C:\\Users\\other" + std::string(kStartupBelowProfile), n,
                                          RegistryRoot::Users, other + "\\Software\\" + approved);
                     }});
    slots.push_back({"Logon", 1, kNoLimit, [this](int n) {
                       PlantStartupFolder("C:\\Users\\gone" + std::string(kStartupBelowProfile), n,
                                          RegistryRoot::None, "");
                     }});
    for (const std::string& roaming :
         {std::string("C:\\Users\\me\\AppData\\Roaming"), otherRoaming}) {
      for (std::string_view office :
           {"\\Microsoft\\Word\\STARTUP", "\\Microsoft\\Excel\\XLSTART"}) {
        const std::string folder = roaming + std::string(office);
        slots.push_back(
            {"Office", 1, kNoLimit, [this, folder](int n) { PlantOfficeFolder(folder, n); }});
      }
    }
    std::vector<std::string> profiles;
    for (std::string_view user :
         {"C:\\Users\\me", "C:\\Users\\other", "C:\\Windows\\system32\\config\\systemprofile"}) {
      for (std::string_view file :
           {"\\Documents\\WindowsPowerShell\\profile.ps1",
            "\\Documents\\WindowsPowerShell\\Microsoft.PowerShell_profile.ps1",
            "\\Documents\\PowerShell\\profile.ps1",
            "\\Documents\\PowerShell\\Microsoft.PowerShell_profile.ps1"}) {
        profiles.push_back(std::string(user) + std::string(file));
      }
    }
    profiles.push_back("C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\profile.ps1");
    slots.push_back(
        {"Logon Scripts", 1, static_cast<int>(profiles.size()), [this, profiles](int n) {
           for (int i = 0; i < n; ++i) system.AddFile(profiles[static_cast<std::size_t>(i)]);
         }});
    for (std::string_view scope : {"Machine", "User"}) {
      for (std::string_view file : {"scripts.ini", "psscripts.ini"}) {
        slots.push_back({"Logon Scripts", 1, kNoLimit,
                         [this, scope, file](int n) { PlantScriptsIni(scope, file, n); }});
      }
    }
    slots.push_back({"Accessibility", 1, 6, [this](int n) {
                       for (std::string_view program :
                            {"sethc.exe", "utilman.exe", "osk.exe", "Magnify.exe", "Narrator.exe",
                             "DisplaySwitch.exe"}) {
                         if (n-- > 0)
                           system.AddFile("C:\\Windows\\System32\\" + std::string(program));
                       }
                     }});
  }

  // Shortcuts, every fourth turned off in Task Manager where its user's hive can say so.
  void PlantStartupFolder(const std::string& folder, int count, RegistryRoot root,
                          const std::string& approvals) {
    std::vector<StartupFile>& files = system.folders[LowerCase(folder)];
    files.push_back({"desktop.ini", folder + "\\desktop.ini"});
    for (int i = 0; i < count; ++i) {
      const std::string name = "Program" + std::to_string(i) + ".lnk";
      files.push_back({name, images_.Command("startup")});
      if (i % 4 == 1 && root != RegistryRoot::None) keys.Set(root, approvals, name, Disabled());
    }
  }

  void PlantOfficeFolder(const std::string& folder, int count) {
    std::vector<StartupFile>& files = system.folders[LowerCase(folder)];
    for (int i = 0; i < count; ++i) {
      const std::string name = "Addin" + std::to_string(i) + ".dotm";
      files.push_back({name, folder + "\\" + name});
      system.AddFile(folder + "\\" + name);
    }
  }

  // Half its scripts named bare, so they are in their kind's folder beside the file. Its lines end
  // in LF alone: the reader takes a section line ending in CR ("[Startup]\r") for no section, so
  // a file with CR LF line ends, as Group Policy writes it, lists nothing.
  void PlantScriptsIni(std::string_view scope, std::string_view file, int count) {
    const std::string folder = "C:\\Windows\\System32\\GroupPolicy\\" + std::string(scope) +
                               "\\Scripts";
    const std::array<std::string, 2> kinds = scope == "Machine"
                                                 ? std::array<std::string, 2>{"Startup", "Shutdown"}
                                                 : std::array<std::string, 2>{"Logon", "Logoff"};
    std::array<std::string, 2> sections;
    for (int i = 0; i < count; ++i) {
      const auto kind = static_cast<std::size_t>(i % 2);
      const std::string number = std::to_string(i / 2);
      std::string script = "script" + std::to_string(i) + ".cmd";
      if (i % 4 < 2) {
        system.AddFile(folder + "\\" + kinds[kind] + "\\" + script);
      } else {
        script = images_.Path("script", ".ps1");
      }
      sections[kind] += number + "CmdLine=" + script + "\n" + number + "Parameters=/q\n";
    }
    system.smallFiles[folder + "\\" + std::string(file)] = "[" + kinds[0] + "]\n" + sections[0] +
                                                           "[" + kinds[1] + "]\n" + sections[1];
  }

  // --- Scheduled tasks: listed by the Task Scheduler (and in the cache and the files, as on
  // Windows), hidden in the cache, and only in the files ---

  void AddTaskSlots(std::vector<Slot>& slots) {
    slots.push_back({"Scheduled Tasks", 1, kNoLimit, [this](int n) { PlantListedTasks(n); }});
    slots.push_back({"Scheduled Tasks", 1, kNoLimit, [this](int n) {
                       for (int i = 0; i < n; ++i)
                         CacheTask("\\Hidden\\Task" + std::to_string(i), false);
                     }});
    slots.push_back({"Scheduled Tasks", 1, kNoLimit, [this](int n) {
                       for (int i = 0; i < n; ++i) {
                         system.taskFiles.push_back(
                             {"\\Files\\Job" + std::to_string(i),
                              TaskFileBytes(images_.Path("job", ".exe"), true), ""});
                       }
                     }});
  }

  void PlantListedTasks(int count) {
    for (int i = 0; i < count; ++i) {
      const std::string folder = "\\Vendor" + std::to_string(i % 10);
      const std::string name = "Task" + std::to_string(i);
      const std::string image = images_.Path("task", ".exe");
      const bool enabled = i % 5 != 0;
      ScheduledTask& task = system.tasks.emplace_back();
      task.folder = folder;
      task.name = name;
      task.enabled = enabled;
      task.commands = {"\"" + image + "\" /run"};
      task.triggers = {{9, "", true}, {2, "2024-01-01T03:00:00", true}};
      CacheTask(folder + "\\" + name, true);
      system.taskFiles.push_back({folder + "\\" + name, TaskFileBytes(image, enabled), ""});
    }
  }

  void CacheTask(const std::string& path, bool withDescriptor) {
    const std::string key =
        "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Schedule\\TaskCache\\Tree" + path;
    keys.Set(kLm, key, "Id", Text(ClassId(nextClass_++)));
    if (withDescriptor) keys.Set(kLm, key, "SD", {kRegBinary, {1, 0, 4, 0x80}});
  }

  std::vector<PlantHive> hives_;
  Images images_{system};
  int nextClass_ = 0;
  int nextService_ = 0;
};

// --- Recording the reads, and replaying them bare ----------------------------------------------

enum class Read {
  Value,
  Subkeys,
  Values,
  Expand,
  StartupFiles,
  Tasks,
  TaskFiles,
  SmallFile,
  IsFile,
  Times,
  Version,
  Checksums,
  ChecksumsWithSha256,
  Signature,
};

struct Call {
  Read read;
  RegistryRoot root = RegistryRoot::None;
  RegistryView view = RegistryView::Own;
  std::string path;
  std::string name;
};

class RecordingKeys final : public RegistryRoutines {
 public:
  RecordingKeys(RegistryRoutines& keys, std::vector<Call>& calls) : keys_(keys), calls_(calls) {}
  Result<std::optional<RawRegistryValue>> QueryValue(RegistryRoot root, std::string_view path,
                                                     std::string_view name,
                                                     RegistryView view) override {
    calls_.push_back({Read::Value, root, view, std::string(path), std::string(name)});
    return keys_.QueryValue(root, path, name, view);
  }
  Result<std::vector<std::string>> SubkeyNames(RegistryRoot root, std::string_view path,
                                               RegistryView view) override {
    calls_.push_back({Read::Subkeys, root, view, std::string(path), {}});
    return keys_.SubkeyNames(root, path, view);
  }
  Result<std::vector<NamedRegistryValue>> Values(RegistryRoot root, std::string_view path,
                                                 RegistryView view) override {
    calls_.push_back({Read::Values, root, view, std::string(path), {}});
    return keys_.Values(root, path, view);
  }
  std::string ExpandEnvironment(std::string_view text) override {
    calls_.push_back({Read::Expand, {}, {}, std::string(text), {}});
    return keys_.ExpandEnvironment(text);
  }

 private:
  RegistryRoutines& keys_;
  std::vector<Call>& calls_;
};

// The system's reads recorded; its folder names and time conversion read nothing and are not.
class RecordingSystem final : public AutostartSystem {
 public:
  RecordingSystem(AutostartSystem& system, std::vector<Call>& calls)
      : system_(system), calls_(calls) {}
  std::string WindowsFolder() override { return system_.WindowsFolder(); }
  std::string CurrentUserSid() override { return system_.CurrentUserSid(); }
  std::string CommonStartupFolder() override { return system_.CommonStartupFolder(); }
  std::string UserStartupFolder() override { return system_.UserStartupFolder(); }
  Result<std::vector<StartupFile>> StartupFiles(const std::string& folder) override {
    Record(Read::StartupFiles, folder);
    return system_.StartupFiles(folder);
  }
  Result<std::vector<ScheduledTask>> ScheduledTasks() override {
    Record(Read::Tasks, {});
    return system_.ScheduledTasks();
  }
  Result<std::vector<TaskFile>> TaskFiles() override {
    Record(Read::TaskFiles, {});
    return system_.TaskFiles();
  }
  Result<std::optional<std::vector<EventSubscription>>> EventSubscriptions(
      std::string_view wmiNamespace) override {
    return system_.EventSubscriptions(wmiNamespace);
  }
  Result<std::optional<std::vector<BitsJob>>> BitsJobs() override { return system_.BitsJobs(); }
  Result<std::optional<std::string>> SmallFile(const std::string& path,
                                               std::size_t maxBytes) override {
    Record(Read::SmallFile, path);
    return system_.SmallFile(path, maxBytes);
  }
  bool IsFile(const std::string& path) override {
    Record(Read::IsFile, path);
    return system_.IsFile(path);
  }
  FileTimes Times(const std::string& path) override {
    Record(Read::Times, path);
    return system_.Times(path);
  }
  SourceValue TimeText(std::uint64_t fileTime) override { return system_.TimeText(fileTime); }

 private:
  void Record(Read read, const std::string& path) { calls_.push_back({read, {}, {}, path, {}}); }
  AutostartSystem& system_;
  std::vector<Call>& calls_;
};

class RecordingFiles final : public SuspiciousFileSource {
 public:
  RecordingFiles(SuspiciousFileSource& files, std::vector<Call>& calls)
      : files_(files), calls_(calls) {}
  std::string SpecialFolder(int csidl) override { return files_.SpecialFolder(csidl); }
  FolderListing FindEntries(const std::string& pattern) override {
    return files_.FindEntries(pattern);
  }
  VersionStrings Version(const std::string& path) override {
    Record(Read::Version, path);
    return files_.Version(path);
  }
  FileChecksums Checksums(const std::string& path) override {
    Record(Read::Checksums, path);
    return files_.Checksums(path);
  }
  FileChecksums ChecksumsWithSha256(const std::string& path) override {
    Record(Read::ChecksumsWithSha256, path);
    return files_.ChecksumsWithSha256(path);
  }
  std::optional<FileSignature> Signature(const std::string& path) override {
    Record(Read::Signature, path);
    return files_.Signature(path);
  }

 private:
  void Record(Read read, const std::string& path) { calls_.push_back({read, {}, {}, path, {}}); }
  SuspiciousFileSource& files_;
  std::vector<Call>& calls_;
};

struct Sources {
  RegistryRoutines& keys;
  AutostartSystem& system;
  SuspiciousFileSource& files;
};

bool IsRegistryRead(Read read) {
  return read == Read::Value || read == Read::Subkeys || read == Read::Values;
}

// Each recorded call made again on the bare sources, its answer taken and dropped; `registryOnly`
// replays the registry's reads alone. Returns what was read, so nothing is left out.
std::size_t Replay(const std::vector<Call>& calls, Sources bare, bool registryOnly) {
  std::size_t read = 0;
  for (const Call& call : calls) {
    if (registryOnly && !IsRegistryRead(call.read)) continue;
    switch (call.read) {
      case Read::Value:
        read += bare.keys.QueryValue(call.root, call.path, call.name, call.view).value.has_value();
        break;
      case Read::Subkeys:
        read += bare.keys.SubkeyNames(call.root, call.path, call.view).value.size();
        break;
      case Read::Values:
        read += bare.keys.Values(call.root, call.path, call.view).value.size();
        break;
      case Read::Expand: read += bare.keys.ExpandEnvironment(call.path).size(); break;
      case Read::StartupFiles: read += bare.system.StartupFiles(call.path).value.size(); break;
      case Read::Tasks: read += bare.system.ScheduledTasks().value.size(); break;
      case Read::TaskFiles: read += bare.system.TaskFiles().value.size(); break;
      case Read::SmallFile:
        read += bare.system.SmallFile(call.path, kMaxScriptsIni).value.has_value();
        break;
      case Read::IsFile: read += bare.system.IsFile(call.path); break;
      case Read::Times: read += bare.system.Times(call.path).created.index() + 1; break;
      case Read::Version: read += bare.files.Version(call.path).fileVersion.size(); break;
      case Read::Checksums: read += bare.files.Checksums(call.path).crc32.size(); break;
      case Read::ChecksumsWithSha256:
        read += bare.files.ChecksumsWithSha256(call.path).sha256.size();
        break;
      case Read::Signature: read += bare.files.Signature(call.path).has_value(); break;
    }
  }
  return read;
}

// --- Measuring ---------------------------------------------------------------------------------

template <typename Work>
double Ms(Work work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  return took.count();
}

// The category as a scan runs it, its files read afresh (with the SHA-256 where the level shows
// it); what it wrote, when the sink keeps it.
void Collect(Sources sources, FileExaminations& examined, DetailLevel level,
             TextSink* kept = nullptr) {
  examined.BeginScan(level == DetailLevel::Advanced);
  auto sink = std::make_unique<TextSink>();
  sink->keep = kept != nullptr;
  TextSink& written = *sink;
  {
    ReportWriter report(std::move(sink));
    AutostartSources autostart{sources.keys, sources.system, examined};
    CollectAutostartEntries(report, autostart, level);
    if (kept) kept->text = written.text;
  }
}

// Entries by family, and the table's places that gave none.
std::size_t ShowFamilies(Sources sources, const std::map<std::string, int>& planted) {
  BenchFiles noFiles;
  FileExaminations examined(noFiles);
  AutostartSources autostart{sources.keys, sources.system, examined};
  const auto gathered = GatherAutostartEntries(autostart);
  if (gathered.Failed()) std::printf("gathering failed: %s\n", gathered.error->message.c_str());
  std::map<std::string, int> families;
  for (const AutostartEntry& entry : gathered.value) ++families[entry.family];
  std::printf("%zu entries in %zu families (gathered / planted):\n", gathered.value.size(),
              families.size());
  int column = 0;
  for (const auto& [family, count] : families) {
    const auto wanted = planted.find(family);
    std::printf("  %-20s %4d / %-4d%s", family.c_str(), count,
                wanted == planted.end() ? 0 : wanted->second, ++column % 3 ? "" : "\n");
  }
  if (column % 3) std::puts("");
  int empty = 0;
  for (const AutostartPlace& place : AutostartPlaces()) {
    const bool any = std::any_of(
        gathered.value.begin(), gathered.value.end(), [&place](const AutostartEntry& entry) {
          return entry.family == place.family && EndsWithIgnoreCase(entry.location, place.key) &&
                 (place.shape != Shape::NamedValue ||
                  entry.name ==
                      (place.value.empty() ? std::string_view("(Default)") : place.value));
        });
    if (!any) {
      ++empty;
      std::printf("  no entry from %s\\%s\n", std::string(place.key).c_str(),
                  std::string(place.value).c_str());
    }
  }
  std::printf("table places without an entry: %d of %zu\n", empty, AutostartPlaces().size());
  return gathered.value.size();
}

void ShowWindowsOwn(Sources sources) {
  FileExaminations examined(sources.files);
  TextSink kept;
  Collect(sources, examined, DetailLevel::Basic, &kept);
  const std::string label = "Windows' Own Entries Not Shown: ";
  const std::size_t at = kept.text.find(label);
  const std::string count = at == std::string::npos
                                ? "none"
                                : kept.text.substr(at + label.size(),
                                                   kept.text.find('\r', at) - at - label.size());
  std::printf("Basic's line %s%s\n", label.c_str(), count.c_str());
}

// One level's run: what the category read, its peak heap, and the best times so far.
struct LevelRun {
  DetailLevel level = DetailLevel::Basic;
  std::vector<Call> calls;
  double peakBytes = 0;
  double category = 1e30;
  double reads = 1e30;  // every recorded call replayed
  double registry = 1e30;  // the registry's calls alone
};

LevelRun Record(Sources sources, DetailLevel level) {
  LevelRun run;
  run.level = level;
  FileExaminations examined(sources.files);
  run.peakBytes = bench::PeakHeapBytes([&] { Collect(sources, examined, level); });
  RecordingKeys keys(sources.keys, run.calls);
  RecordingSystem system(sources.system, run.calls);
  RecordingFiles files(sources.files, run.calls);
  FileExaminations recorded(files);
  Collect({keys, system, files}, recorded, level);
  return run;
}

void Show(const LevelRun& run, std::size_t entries) {
  std::map<std::string, int> counts;
  for (const Call& call : run.calls) {
    ++counts[IsRegistryRead(call.read)    ? "registry"
             : call.read == Read::Expand  ? "expand"
             : call.read >= Read::Version ? "examine"
                                          : "file"];
  }
  const auto perEntry = [entries](double value) { return value / static_cast<double>(entries); };
  std::printf("%-8s %7.2f ms %6.2f us/entry %6.0f bytes/entry peak | reads alone %6.2f ms,"
              " ratio %5.1f (registry alone %6.2f ms, ratio %5.1f) | calls/entry: registry %5.2f,"
              " expand %4.2f, file %4.2f, examine %4.2f\n",
              std::string(LevelCaption(run.level)).c_str(), run.category,
              1000.0 * perEntry(run.category), perEntry(run.peakBytes), run.reads,
              run.category / run.reads, run.registry, run.category / run.registry,
              perEntry(counts["registry"]), perEntry(counts["expand"]), perEntry(counts["file"]),
              perEntry(counts["examine"]));
}

// The levels and their baselines take turns in each repeat, so a burst of other work on the
// machine slows them alike and the best of each is kept.
void MeasureAll(Sources sources, const std::map<std::string, int>& planted) {
  const std::size_t entries = ShowFamilies(sources, planted);
  ShowWindowsOwn(sources);
  std::vector<LevelRun> runs;
  for (DetailLevel level : kDetailLevels) runs.push_back(Record(sources, level));
  FileExaminations examined(sources.files);
  std::size_t read = 0;
  for (int repeat = 0; repeat < kRepeats; ++repeat) {
    for (LevelRun& run : runs) {
      run.category = std::min(run.category, Ms([&] { Collect(sources, examined, run.level); }));
      run.reads = std::min(run.reads, Ms([&] { read += Replay(run.calls, sources, false); }));
      run.registry = std::min(run.registry, Ms([&] { read += Replay(run.calls, sources, true); }));
    }
  }
  if (read == 0) std::puts("nothing read");
  for (const LevelRun& run : runs) Show(run, entries);
}

#ifdef _WIN32
// The fake machine's keys written below HKEY_CURRENT_USER\<base>\HKLM, \HKCU and \HKU.
const std::wstring kBenchKey = L"Software\\SysinfoAutostartBench";

void CopyKey(testing::FakeRegistry& fake, RegistryRoot root, const std::string& path) {
  const std::wstring key = kBenchKey + L"\\" + Utf8ToWide(RootName(root)) +
                           (path.empty() ? L"" : L"\\" + Utf8ToWide(path));
  UniqueKey created;
  RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, created.put(),
                  nullptr);
  for (const auto& [name, raw] : fake.Values(root, path, RegistryView::Own).value) {
    RegSetValueExW(created.get(), Utf8ToWide(name).c_str(), 0, raw.type, raw.data.data(),
                   static_cast<DWORD>(raw.data.size()));
  }
  for (const std::string& subkey : fake.SubkeyNames(root, path, RegistryView::Own).value)
    CopyKey(fake, root, path.empty() ? subkey : path + "\\" + subkey);
}

void MeasureOnRegistry() {
  Machine machine;
  const auto planted = machine.Plant();
  RegDeleteTreeW(HKEY_CURRENT_USER, kBenchKey.c_str());
  for (RegistryRoot root :
       {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser, RegistryRoot::Users})
    CopyKey(machine.keys, root, "");
  WindowsRegistry registry;
  MachineKeys keys(registry, WideToUtf8(kBenchKey));
  BenchFiles files;
  std::puts(
      "\nThe same machine's keys in the real registry (below HKEY_CURRENT_USER), best of 15:");
  MeasureAll({keys, machine.system, files}, planted);
  RegDeleteTreeW(HKEY_CURRENT_USER, kBenchKey.c_str());
}
#endif

}  // namespace
}  // namespace sysinfo

int main() {
  using namespace sysinfo;
  Machine machine;
  const auto planted = machine.Plant();
  MachineKeys keys(machine.keys);
  BenchFiles files;
  std::puts("Autostart Entries over a fake machine, fake sources (best of 15):");
  MeasureAll({keys, machine.system, files}, planted);
#ifdef _WIN32
  MeasureOnRegistry();
#endif
  return 0;
}
