// Autostart Entries over a fake registry and system: every place once, states, images, levels.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "base/format.h"
#include "base/levels.h"
#include "base/text.h"
#include "collectors/autostart.h"
#include "collectors/file_examinations.h"
#include "collectors/scheduled_tasks.h"
#include "tests/fakes/autostart_plants.h"
#include "tests/fakes/fake_autostart.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using namespace testing;
using Lines = std::vector<std::string>;

constexpr auto kLm = RegistryRoot::LocalMachine;
constexpr auto kCu = RegistryRoot::CurrentUser;
constexpr auto kUsers = RegistryRoot::Users;
const std::string kSelf = FakeAutostartSystem().sid;
const std::string kOther = "S-1-5-21-1-2-3-1002";
const std::string kCv = "\\Microsoft\\Windows\\CurrentVersion\\";
const std::string kNt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";

// The image files' contents: each read logged, so a test can tell a file read twice.
class ImageFiles final : public SuspiciousFileSource {
 public:
  std::vector<FileFacts> roaming;  // what Suspicious Files! lists in the roaming folder
  Lines examined;

  std::string SpecialFolder(int csidl) override { return csidl == 26 ? "C:\\Tools" : ""; }
  FolderListing FindEntries(const std::string& pattern) override {
    return {pattern == "C:\\Tools\\*.exe" ? roaming : std::vector<FileFacts>{}, {}};
  }
  VersionStrings Version(const std::string& path) override {
    examined.push_back("version " + path);
    VersionStrings version;
    version.companyName = "Maker";
    version.fileVersion = "1.2";
    return version;
  }
  FileChecksums Checksums(const std::string& path) override {
    examined.push_back("hash " + path);
    return {"CRC", "MD5"};
  }
  FileChecksums ChecksumsWithSha256(const std::string& path) override {
    examined.push_back("hash with SHA-256 " + path);
    return {"CRC", "MD5", "AB12"};
  }
  std::optional<FileSignature> Signature(const std::string& path) override {
    examined.push_back("sign " + path);
    return FileSignature{SignatureStatus::Signed, "Signer Ltd", false, ""};
  }
};

// The fakes a collector reads, and the scan's examinations over them.
struct Machine {
  FakeRegistry keys;
  FakeAutostartSystem system;
  ImageFiles images;
  FileExaminations examined{images};
  AutostartSources sources{keys, system, examined};
};

RawRegistryValue Approved(std::uint8_t first, std::uint8_t timeByte) {
  return {kRegBinary, {first, 0, 0, 0, timeByte, 0, 0, 0, 0, 0, 0, 0}};
}

// A task file as Windows writes it: UTF-16 LE after its BOM.
std::string Utf16File(std::string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char c : text) bytes += {c, '\0'};
  return bytes;
}

std::string TaskXml(std::string_view body) {
  return "<?xml version=\"1.0\"?><!-- made by hand --><Task xmlns=\"http://x/task\">" +
         std::string(body) + "</Task>";
}

// Each block as "location | name | command | state" (and triggers), the Basic lines joined.
Lines Blocks(const Lines& lines) {
  Lines blocks;
  std::string block;
  for (const std::string& line : lines) {
    if (line == SeparatorLine) {
      blocks.push_back(block);
      block.clear();
    } else if (!line.empty()) {
      block += (block.empty() ? "" : " | ") + line.substr(line.find(": ") + 2);
    }
  }
  return blocks;
}

TEST(AutostartEntries, StartupApprovedSaysOnOrOffAndWhen) {
  const std::vector<std::tuple<std::vector<std::uint8_t>, bool, std::uint64_t>> rows = {
      {{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true, 0},
      {{6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true, 0},
      {{3, 0, 0, 0, 0x80, 0x3E, 0xD5, 0xDE, 0xB1, 0x9D, 0x01, 0x00}, false, 0x019DB1DED53E80},
      {{7, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0x01}, false, 0x0100000000000001},
      {{1, 0, 0, 0}, false, 0},  // no time stored
  };
  for (const auto& [bytes, enabled, changed] : rows) {
    const auto approval = DecodeStartupApproved(bytes);
    ASSERT_TRUE(approval);
    EXPECT_EQ(approval->enabled, enabled) << int{bytes[0]};
    EXPECT_EQ(approval->changed, changed) << int{bytes[0]};
  }
  EXPECT_FALSE(DecodeStartupApproved(std::vector<std::uint8_t>{3, 0, 0}));
}

TEST(AutostartEntries, EveryPlaceIsListedOnceSortedWithItsState) {
  Machine machine;
  auto& [keys, system, images, examined, sources] = machine;
  keys.Set(kLm, "SOFTWARE" + kCv + "Run", "Zeta", Text("zeta.exe"));
  keys.Set(kLm, "SOFTWARE" + kCv + "Run", "alpha", Text("C:\\a.exe"));
  keys.Set(kLm, "SOFTWARE" + kCv + "Run", "Number", Dword(1));  // no command: not run
  keys.Set(kLm, "SOFTWARE" + kCv + "Explorer\\StartupApproved\\Run", "ALPHA", Approved(3, 9));
  keys.Set(kLm, "SOFTWARE\\WOW6432Node" + kCv + "Run", "Old", Text("old.exe"));
  keys.Set(kLm, "SOFTWARE" + kCv + "Explorer\\StartupApproved\\Run32", "Old", Approved(7, 0));
  keys.Set(kLm, "SOFTWARE\\WOW6432Node" + kCv + "RunOnceEx\\0001", "", Text("title"));
  keys.Set(kLm, "SOFTWARE\\WOW6432Node" + kCv + "RunOnceEx\\0001", "Step", Text("x.dll|Install"));
  keys.Set(kCu, "Software" + kCv + "Policies\\Explorer\\Run", "Pol", Text("pol.exe"));
  // HKCU is the current user's hive, .DEFAULT the same as S-1-5-18's: each read once.
  for (const std::string& sid : {kSelf, kOther, std::string("S-1-5-18"), std::string(".DEFAULT")})
    keys.Set(kUsers, sid + "\\Software" + kCv + "RunOnce", "Once", Text(sid + ".exe"));
  keys.AddKey(kUsers, kOther + "_Classes");
  keys.Set(kLm, kNt + "Winlogon", "Userinit",
           Text("C:\\Windows\\system32\\userinit.exe,evil.exe,"));
  keys.Set(kLm, kNt + "Winlogon", "Shell", Text("explorer.exe"));
  keys.Set(kLm, kNt + "Image File Execution Options\\sethc.exe", "Debugger", Text("cmd.exe"));
  keys.AddKey(kLm, kNt + "Image File Execution Options\\calc.exe");  // no debugger
  // Each view is its own place, even where Wine links the two.
  keys.Set(kLm,
           "SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution "
           "Options\\sethc.exe",
           "Debugger", Text("cmd.exe"));
  keys.Set(kLm, kNt + "SilentProcessExit\\notepad.exe", "MonitorProcess", Text("mon.exe"));
  keys.Set(kLm, kNt + "Windows", "AppInit_DLLs", Text("a.dll, b.dll"));
  keys.Set(kLm, kNt + "Windows", "LoadAppInit_DLLs", Dword(0));
  keys.Set(kLm, "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\{1}", "StubPath",
           Text("stub.exe"));
  const std::string services = "SYSTEM\\CurrentControlSet\\Services\\";
  keys.Set(kLm, services + "boot", "Start", Dword(0));
  keys.Set(kLm, services + "boot", "Type", Dword(1));
  keys.Set(kLm, services + "manual", "Start", Dword(3));
  keys.Set(kLm, services + "manual", "ImagePath", Text("manual.exe"));
  keys.Set(kLm, services + "shared", "Start", Dword(2));
  keys.Set(kLm, services + "shared", "Type", Dword(0x20));
  keys.Set(kLm, services + "shared", "ImagePath", Text("svchost.exe -k netsvcs"));
  keys.Set(kLm, services + "shared\\Parameters", "ServiceDll", Text("shared.dll"));
  keys.Set(kLm, "SOFTWARE" + kCv + "Explorer\\StartupApproved\\StartupFolder", "c.lnk",
           Approved(3, 1));
  system.folders["C:\\ProgramData\\Startup"] = {{"c.lnk", "c.exe /x"}, {"desktop.ini", ""}};
  system.folders["C:\\Users\\me\\Startup"] = {{"u.bat", "C:\\Users\\me\\Startup\\u.bat"}};
  const std::string profiles = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
  keys.Set(kLm, profiles + kSelf, "ProfileImagePath", Text("C:\\Users\\me"));
  keys.Set(kLm, profiles + "S-1-5-21-9", "ProfileImagePath", Text("C:\\Users\\away"));
  system.folders["C:\\Users\\away" +
                 std::string(
                     "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup")] = {
      {"w.exe", "w.exe"}};
  system.tasks.value = {{"\\Vendor",
                         "Update",
                         false,
                         {"up.exe /a", "up2.exe"},
                         {{9, "", true}, {2, "2024-01-01T03:00:00", false}}}};
  // The cache and the files add what the Task Scheduler does not show: a task whose security
  // descriptor was deleted, one whose file is gone, one whose file is broken.
  const std::string tree = kNt + "Schedule\\TaskCache\\Tree\\";
  keys.Set(kLm, tree + "Vendor\\Update", "Id", Text("{1}"));
  keys.Set(kLm, tree + "Vendor\\Update", "SD", RawRegistryValue{kRegBinary, {1}});
  keys.Set(kLm, tree + "Hidden", "Id", Text("{2}"));
  keys.Set(kLm, tree + "Old\\Cached", "Id", Text("{3}"));
  keys.Set(kLm, tree + "Old\\Cached", "SD", RawRegistryValue{kRegBinary, {1}});
  system.taskFiles.value = {
      {"\\VENDOR\\update", TaskXml("<Actions><Exec><Command>x.exe</Command></Exec></Actions>"), ""},
      {"\\Hidden",
       Utf16File(
           TaskXml("<Triggers><LogonTrigger/></Triggers><Actions><Exec><Command>C:\\Program "
                   "Files\\Tool\\run.exe</Command><Arguments>/q</Arguments></Exec></Actions>")),
       ""},
      {"\\Bad", TaskXml("<Actions><Exec></Actions>"), ""}};

  CapturedReport report;
  CollectAutostartEntries(report.writer(), sources, DetailLevel::Basic);
  const std::string lm = "HKEY_LOCAL_MACHINE\\SOFTWARE";
  const std::string away =
      "C:\\Users\\away\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
  // clang-format off
  EXPECT_EQ(Blocks(report.Lines()), (Lines{
      "Logon | C:\\ProgramData\\Startup | c.lnk | c.exe /x | Disabled",
      "Logon | " + away + " | w.exe | w.exe | Not known (the user's hive is not loaded)",
      "Logon | C:\\Users\\me\\Startup | u.bat | C:\\Users\\me\\Startup\\u.bat | Enabled",
      "Logon | HKEY_CURRENT_USER\\Software" + kCv + "Policies\\Explorer\\Run | Pol | pol.exe | Enabled",
      "Logon | " + lm + "\\Microsoft\\Active Setup\\Installed Components | {1} | stub.exe | Enabled",
      "Image Hijacks | " + lm + "\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options | sethc.exe | cmd.exe | Enabled",
      "Image Hijacks | " + lm + "\\Microsoft\\Windows NT\\CurrentVersion\\SilentProcessExit | notepad.exe | mon.exe | Enabled",
      "AppInit | " + lm + "\\Microsoft\\Windows NT\\CurrentVersion\\Windows | AppInit_DLLs | a.dll | Disabled (LoadAppInit_DLLs is not 1)",
      "AppInit | " + lm + "\\Microsoft\\Windows NT\\CurrentVersion\\Windows | AppInit_DLLs | b.dll | Disabled (LoadAppInit_DLLs is not 1)",
      "Winlogon | " + lm + "\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon | Shell | explorer.exe | Enabled",
      "Winlogon | " + lm + "\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon | Userinit | C:\\Windows\\system32\\userinit.exe | Enabled",
      "Winlogon | " + lm + "\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon | Userinit | evil.exe | Enabled",
      "Logon | " + lm + kCv + "Run | alpha | C:\\a.exe | Disabled",
      "Logon | " + lm + kCv + "Run | Zeta | zeta.exe | Enabled",
      "Image Hijacks | " + lm + "\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options | sethc.exe | cmd.exe | Enabled",
      "Logon | " + lm + "\\WOW6432Node" + kCv + "Run | Old | old.exe | Disabled",
      "Logon | " + lm + "\\WOW6432Node" + kCv + "RunOnceEx | 0001\\Step | x.dll|Install | Enabled",
      "Drivers | HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services | boot |  | Boot start (driver)",
      "Services | HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services | manual | manual.exe | Manual (service)",
      "Services | HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services | shared | svchost.exe -k netsvcs | Automatic (service)",
      "Services | HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\shared\\Parameters | shared | shared.dll | Automatic (service)",
      "Logon | HKEY_USERS\\S-1-5-18\\Software" + kCv + "RunOnce | Once | S-1-5-18.exe | Enabled",
      "Logon | HKEY_USERS\\" + kOther + "\\Software" + kCv + "RunOnce | Once | " + kOther + ".exe | Enabled",
      "Scheduled Tasks | Task Scheduler\\ | Bad |  | Not known (task file: line 1: </Actions> while <Exec> is open) | task file",
      "Scheduled Tasks | Task Scheduler\\ | Hidden | \"C:\\Program Files\\Tool\\run.exe\" /q | Enabled; hidden (no security descriptor) | At log on | task cache and task file",
      "Scheduled Tasks | Task Scheduler\\Old | Cached |  | Not known (no task file) | task cache",
      "Scheduled Tasks | Task Scheduler\\Vendor | Update | up.exe /a | Disabled | At log on; Daily from 2024-01-01T03:00:00 (disabled) | Task Scheduler",
      "Scheduled Tasks | Task Scheduler\\Vendor | Update | up2.exe | Disabled | At log on; Daily from 2024-01-01T03:00:00 (disabled) | Task Scheduler",
  }));
  // clang-format on

  system.files = {"C:\\Program.exe"};  // planted where an unquoted path would find it
  auto entries = GatherAutostartEntries(sources).value;
  ResolveAutostartImages(entries, system, keys);
  std::map<std::string, std::string> resolved;
  for (const AutostartEntry& entry : entries) resolved[entry.name] = entry.image;
  EXPECT_EQ(resolved["0001\\Step"], "x.dll");
  EXPECT_EQ(resolved["shared"], "shared.dll");  // the service DLL svchost runs
  EXPECT_EQ(resolved["boot"], "C:\\Windows\\System32\\drivers\\boot.sys");
  EXPECT_EQ(resolved["Hidden"], "C:\\Program Files\\Tool\\run.exe");  // not C:\Program.exe
}

// Every family's planted entry is listed under its family, resolved as the component that starts
// it resolves it (a DLL whole, a class to its server, a user's class before the machine's).
TEST(AutostartEntries, EveryFamilyPlantedIsListedWithItsFile) {
  Machine machine;
  auto& [keys, system, images, examined, sources] = machine;
  const std::string program = "C:\\Plants\\tool.exe", dll = "C:\\Plants\\lib.dll";
  system.files = {program, dll};
  const auto text = [&](std::string_view planted) { return PlantText(planted, program, dll, "7"); };
  for (const Plant& plant : kPlants) {
    std::string data = text(plant.data);
    if (plant.type == kRegMultiSz) std::replace(data.begin(), data.end(), '|', '\0');
    if (plant.type == kRegBinary) {
      data.resize(kPlantCatalogItemSize);
      keys.Set(plant.root, text(plant.key), text(plant.value),
               RawRegistryValue{kRegBinary, {data.begin(), data.end()}});
      continue;
    }
    keys.Set(plant.root, text(plant.key), text(plant.value),
             plant.type == kRegDword
                 ? Dword(std::stoul(data))
                 : Text(plant.type == kRegMultiSz ? data + '\0' : data, plant.type));
  }
  // Another user's entry expands in that user's folders; a Startup folder moved by User Shell
  // Folders and a Group Policy scripts.ini are read too.
  keys.Set(kUsers, kOther + "\\Software" + kCv + "Run", "Theirs",
           Text("%APPDATA%\\t.exe", kRegExpandSz));
  keys.Set(kUsers, kOther + "\\Software" + kCv + "Explorer\\User Shell Folders", "AppData",
           Text("%USERPROFILE%\\Roaming", kRegExpandSz));
  keys.Set(kLm, kNt + "ProfileList\\" + kOther, "ProfileImagePath", Text("C:\\Users\\other"));
  system.files.insert("C:\\Users\\other\\Roaming\\t.exe");
  keys.Set(kCu, "Software" + kCv + "Explorer\\User Shell Folders", "AltStartup", Text("C:\\Alt"));
  system.folders["C:\\Alt"] = {{"alt.lnk", "\"" + program + "\""}};
  // An executable type's open command shows only where it is not Windows' own.
  keys.Set(kCu, "Software\\Classes\\exefile\\shell\\open\\command", "", Text("\"%1\" %*"));
  keys.Set(kCu, "Software\\Classes\\batfile\\shell\\open\\command", "",
           Text(program + " \"%1\" %*"));
  // A task whose action is a COM handler runs in its class's server.
  system.taskFiles.value = {{"\\Handler",
                             TaskXml("<Actions><ComHandler><ClassId>" + std::string(kPlantClass) +
                                     "</ClassId></ComHandler></Actions>"),
                             ""}};
  system.smallFiles["C:\\Windows\\System32\\GroupPolicy\\Machine\\Scripts\\scripts.ini"] =
      "\xEF\xBB\xBF[Startup]\r\n0CmdLine=boot.cmd\r\n0Parameters=/s\r\n[Shutdown]\r\nx=y\r\n";

  auto gathered = GatherAutostartEntries(sources);
  EXPECT_EQ(gathered.error, Status());
  ResolveAutostartImages(gathered.value, system, keys);
  const auto has = [&](std::string_view family, const std::string& name, const std::string& image) {
    return std::count_if(
        gathered.value.begin(), gathered.value.end(), [&](const AutostartEntry& e) {
          return e.family == family && e.name == name && EqualsIgnoreCase(e.image, image) &&
                 e.noFile.empty() == !image.empty();
        });
  };
  for (const Plant& plant : kPlants) {
    if (plant.family.empty()) continue;
    EXPECT_EQ(has(plant.family, text(plant.name), text(plant.image)), 1)
        << plant.family << " | " << text(plant.name);
  }
  EXPECT_EQ(has("Logon", "Theirs", "C:\\Users\\other\\Roaming\\t.exe"), 1);
  EXPECT_EQ(has("Logon", "alt.lnk", program), 1);
  EXPECT_EQ(has("Scheduled Tasks", "Handler", dll), 1);
  EXPECT_EQ(has("Image Hijacks", "batfile", program), 1);
  EXPECT_EQ(std::count_if(gathered.value.begin(), gathered.value.end(),
                          [](const AutostartEntry& e) { return e.name == "exefile"; }),
            0);
  EXPECT_EQ(has("Logon Scripts", "Startup 0",
                "C:\\Windows\\System32\\GroupPolicy\\Machine\\Scripts\\Startup\\boot.cmd"),
            1);
  EXPECT_EQ(has("Services", "SysinfoP7", program), 1);  // the host program, beside its DLL
}

// WMI bindings in root\default are read as those in root\subscription; a namespace that is not
// there, and a BITS that cannot say, are notes under the entries, not failures.
TEST(AutostartEntries, EventSubscriptionsAndBitsJobsAreListedAndWhatCannotBeAskedIsANote) {
  Machine machine;
  auto& [keys, system, images, examined, sources] = machine;
  system.subscriptions.erase("root\\subscription");
  EventSubscription binding;
  binding.wmiNamespace = "root\\default";
  binding.filter = "F";
  binding.query = "SELECT * FROM __InstanceModificationEvent";
  binding.consumerClass = "CommandLineEventConsumer";
  binding.consumer = "C";
  binding.commandLine = "C:\\Evil\\run.exe -q";
  system.subscriptions["root\\default"].value = {binding};
  system.bitsJobs.value.reset();
  CapturedReport report;
  report.writer().BeginCategory("Autostart Entries", 16, {}, {});
  CollectAutostartEntries(report.writer(), sources, DetailLevel::Basic);
  EXPECT_EQ(report.writer().EndCategory(0).status, CategoryStatus::Ok);
  EXPECT_EQ(Blocks(report.Lines()),
            (Lines{"WMI | WMI root\\default | F -> C | C:\\Evil\\run.exe -q | Enabled | "
                   "SELECT * FROM __InstanceModificationEvent",
                   "The WMI namespace root\\subscription does not exist: no event subscriptions "
                   "there.",
                   "This system's BITS does not say which program a job runs when it ends."}));

  system.bitsJobs.error = Failure("the BITS service cannot be reached: File not found.");
  CapturedReport unreachable;
  unreachable.writer().BeginCategory("Autostart Entries", 16, {}, {});
  CollectAutostartEntries(unreachable.writer(), sources, DetailLevel::Basic);
  EXPECT_EQ(unreachable.writer().EndCategory(0).status, CategoryStatus::Ok);
  EXPECT_EQ(Blocks(unreachable.Lines()).back(),
            "BITS jobs are not read: the BITS service cannot be reached: File not found.");
}

// At Basic, Windows' own entries (below the Windows folder, signed by the system's publisher)
// are counted in one line; the levels above list them.
TEST(AutostartEntries, BasicCountsWindowsOwnEntriesInOneLine) {
  EXPECT_TRUE(IsWindowsOwnEntry({.image = "C:\\WINDOWS\\system32\\a.dll"}, "C:\\Windows",
                                {SignatureStatus::Signed, "Microsoft Windows", true, ""}));
  for (const auto& [image, signature] : std::vector<std::pair<std::string, FileSignature>>{
           {"C:\\Windows\\a.dll", {SignatureStatus::Signed, "Vendor Ltd", false, ""}},
           {"C:\\Windows\\a.dll", {SignatureStatus::Untrusted, "Microsoft Windows", false, ""}},
           {"C:\\WindowsApps\\a.dll", {SignatureStatus::Signed, "Microsoft Windows", false, ""}},
           {"C:\\Windows", {SignatureStatus::Signed, "Microsoft Windows", false, ""}}}) {
    EXPECT_FALSE(IsWindowsOwnEntry({.image = image}, "C:\\Windows", signature)) << image;
  }
}

TEST(AutostartEntries, ScriptsIniListsEachScriptOfItsSections) {
  const std::string ini = "[Logon]\r\n0CmdLine=a.cmd \r\n0Parameters=-x\n1CmdLine=\\\\srv\\b.ps1\n"
                          "Parameters=orphan\n[Logoff]\n2Parameters=no script\n0CmdLine=c.bat\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : ini) utf16 += {c, '\0'};
  for (const std::string& bytes : {ini, utf16}) {
    const auto scripts = ReadScriptsIni(bytes);
    ASSERT_EQ(scripts.size(), 3u);
    EXPECT_EQ(scripts[0].name + "=" + scripts[0].script + " " + scripts[0].parameters,
              "Logon 0=a.cmd -x");
    EXPECT_EQ(scripts[1].script, "\\\\srv\\b.ps1");
    EXPECT_EQ(scripts[2].section + scripts[2].script, "Logoffc.bat");
  }
}

TEST(AutostartEntries, TaskFilesAreReadAsFarAsTheyAreSafeToRead) {
  const std::string exec = "<Actions><Exec><Command>C:\\a b\\c.exe</Command>"
                           "<Arguments>-x &lt;&#x263A;&#65;&gt;</Arguments></Exec></Actions>";
  const std::string full = TaskXml(
      "<Settings><Enabled>false</Enabled></Settings><Triggers><CalendarTrigger><StartBoundary>"
      "2024-01-01T03:00:00</StartBoundary><Enabled>false</Enabled><ScheduleByWeek/>"
      "</CalendarTrigger><BootTrigger/></Triggers>" +
      exec + "<Actions><ComHandler><ClassId>{0}</ClassId></ComHandler></Actions>");
  // Windows writes UTF-16 after its BOM; a tool may leave the BOM out.
  for (const std::string& bytes : {Utf16File(full), Utf16File(full).substr(2)}) {
    const auto document = ReadTaskDocument(bytes);
    ASSERT_FALSE(document.Failed()) << document.error->message;
    EXPECT_EQ(document.value.commands, Lines{"\"C:\\a b\\c.exe\" -x <\u263A"
                                             "A>"});
    EXPECT_FALSE(document.value.enabled);
    ASSERT_EQ(document.value.triggers.size(), 2u);
    EXPECT_EQ(document.value.triggers[0].type, 3);  // weekly
    EXPECT_EQ(document.value.triggers[0].start, "2024-01-01T03:00:00");
    EXPECT_FALSE(document.value.triggers[0].enabled);
    EXPECT_EQ(document.value.triggers[1].type, 8);
  }

  std::string deep;
  for (int i = 0; i < 40; ++i) deep = "<a>" + deep + "</a>";
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"<!DOCTYPE Task [<!ENTITY e \"x\">]>" + TaskXml("&e;"),
       "line 1: a document type declaration, which is not read"},
      {TaskXml("&e;"), "line 1: the entity &e; (only the predefined ones are read)"},
      {TaskXml("&#0;"), "line 1: a bad character reference &#0;"},
      {TaskXml("a & b"), "line 1: a '&' that starts no reference"},
      {TaskXml(deep), "line 1: elements nested deeper than 32"},
      {"<Task><Actions>", "line 1: the document ends inside <Actions>"},
      {"<T\xC3\xA4sk/>", "the root element is <T??sk>, not <Task>"},
      {"<Task/><Task/>", "line 1: a second root element <Task>"},
      {"\xFE\xFF", "UTF-16 big-endian is not read"},
      {"", "line 1: no root element"},
      {std::string(kMaxTaskFileSize + 1, ' '), "larger than 1 MiB"},
  };
  for (const auto& [bytes, reason] : refused) {
    const auto read = ReadTaskDocument(bytes);
    EXPECT_EQ(read.error, Failure(reason)) << bytes.substr(0, 60);
  }
}

// A scan that shows SHA-256 somewhere: Suspicious Files! reads the program file first, and the
// autostart entries naming it in any letter case read it no more.
TEST(AutostartEntries, EachImageIsExaminedOnceInTheScanAndTheLevelsAddItsFacts) {
  Machine machine;
  auto& [keys, system, images, examined, sources] = machine;
  system.files = {"C:\\Tools\\a.exe"};
  images.roaming.emplace_back().name = "a.exe";
  examined.BeginScan(true);
  CapturedReport suspicious;
  CollectSuspiciousFiles(suspicious.writer(), images, examined, DetailLevel::Advanced);
  keys.Set(kCu, "Software" + kCv + "Run", "One", Text("C:\\Tools\\a.exe"));
  keys.Set(kCu, "Software" + kCv + "Run", "Two", Text("\"C:\\TOOLS\\A.EXE\" -x"));
  keys.Set(kCu, "Software" + kCv + "Run", "Gone", Text("C:\\Tools\\gone.exe\r\nName: forged"));
  keys.Set(kCu, "Software" + kCv + "Explorer\\StartupApproved\\Run", "One", Approved(2, 5));
  CapturedReport report;
  CollectAutostartEntries(report.writer(), sources, DetailLevel::Advanced);
  const std::string location = "Location: HKEY_CURRENT_USER\\Software" + kCv + "Run";
  const std::string separator(SeparatorLine);
  // clang-format off
  EXPECT_EQ(report.Lines(), (Lines{
      "Family: Logon", location, "Name: Gone", "Command: C:\\Tools\\gone.exe<U+000D><U+000A>Name: forged", "State: Enabled",
      "Image: C:\\Tools\\gone.exe<U+000D><U+000A>Name:", "Image Exists: False", "Signature: ", "Signer: ",
      "SHA-256: ", "Company: ", "Version: ", "Image Created: ", "Image Modified: ", separator,
      "Family: Logon", location, "Name: One", "Command: C:\\Tools\\a.exe", "State: Enabled", "Image: C:\\Tools\\a.exe",
      "Image Exists: True", "Signature: signed", "Signer: Signer Ltd", "SHA-256: AB12", "Company: Maker",
      "Version: 1.2", "Image Created: made C:\\Tools\\a.exe", "Image Modified: changed", "State Changed: T5",
      separator,
      "Family: Logon", location, "Name: Two", "Command: \"C:\\TOOLS\\A.EXE\" -x", "State: Enabled", "Image: C:\\TOOLS\\A.EXE",
      "Image Exists: True", "Signature: signed", "Signer: Signer Ltd", "SHA-256: AB12", "Company: Maker",
      "Version: 1.2", "Image Created: made C:\\Tools\\a.exe", "Image Modified: changed", separator,
  }));
  // clang-format on
  EXPECT_EQ(images.examined,
            (Lines{"version C:\\Tools\\a.exe", "hash with SHA-256 C:\\Tools\\a.exe",
                   "sign C:\\Tools\\a.exe"}));

  CapturedReport moderate;
  images.examined.clear();
  examined.EndScan();
  CollectAutostartEntries(moderate.writer(), sources, DetailLevel::Moderate);
  EXPECT_EQ(images.examined, Lines{"sign C:\\Tools\\a.exe"});  // no hashing below Advanced
  EXPECT_EQ(moderate.Lines().size(), 3 * 10u);
  CapturedReport none;
  CollectAutostartEntries(none.writer(), sources, DetailLevel::None);
  EXPECT_TRUE(none.Lines().empty());
}

TEST(AutostartEntries, ASourceThatCannotBeReadFailsTheCategoryAndTheRestIsListed) {
  Machine machine;
  auto& [keys, system, images, examined, sources] = machine;
  keys.Set(kLm, "SOFTWARE" + kCv + "Run", "Kept", Text("kept.exe"));
  keys.Deny(kCu, "Software" + kCv + "Run");
  system.tasks.error = Failure("The task service is not running.");
  CapturedReport report;
  report.writer().BeginCategory("Autostart Entries", 16, {}, {});
  CollectAutostartEntries(report.writer(), sources, DetailLevel::Basic);
  report.writer().WriteNotRead();
  const CategoryOutcome outcome = report.writer().EndCategory(0);
  const Lines lines = report.Lines();
  EXPECT_EQ(Blocks(lines), Lines{"Logon | HKEY_LOCAL_MACHINE\\SOFTWARE" + kCv +
                                 "Run | Kept | kept.exe | Enabled"});
  EXPECT_EQ(outcome.status, CategoryStatus::Failed);
  const std::string denied = "Logon: HKEY_CURRENT_USER\\Software" + kCv + "Run: Access is denied.";
  EXPECT_EQ(outcome.error, denied);
  // Only the family that was not read is partial: a comparison still reads the others.
  std::set<std::string> unread, read;
  for (const SourceOutcome& source : outcome.sources)
    (source.status == CategoryStatus::Ok ? read : unread).insert(source.name);
  EXPECT_EQ(unread, std::set<std::string>{"Logon"});
  for (const char* family : {"Services", "Drivers", "Scheduled Tasks", "Winlogon"})
    EXPECT_TRUE(read.contains(family)) << family;
  EXPECT_EQ(lines.back(), "Not Read: " + denied);

  // Without the Task Scheduler the task cache and the files are the list: the category fails
  // only when one of them cannot be read either.
  for (const bool cacheDenied : {false, true}) {
    Machine other;
    other.keys.Set(kLm, "SOFTWARE" + kCv + "Run", "Kept", Text("kept.exe"));
    other.system.tasks.error = system.tasks.error;
    if (cacheDenied) other.keys.Deny(kLm, kNt + "Schedule\\TaskCache\\Tree");
    CapturedReport again;
    again.writer().BeginCategory("Autostart Entries", 16, {}, {});
    CollectAutostartEntries(again.writer(), other.sources, DetailLevel::Basic);
    const CategoryOutcome result = again.writer().EndCategory(0);
    EXPECT_EQ(result.status, cacheDenied ? CategoryStatus::Failed : CategoryStatus::Ok);
    EXPECT_EQ(
        result.error,
        cacheDenied ? "Scheduled Tasks: Task Scheduler: The task service is not running." : "");
  }
}

}  // namespace
}  // namespace sysinfo
