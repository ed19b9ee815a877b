// Autostart Entries on Wine's real registry, folders and Task Scheduler, with planted entries.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "base/levels.h"
#include "base/special_folders_win.h"
#include "base/text.h"
#include "base/unicode_win.h"
#include "collectors/autostart_win.h"
#include "collectors/file_examinations.h"
#include "collectors/wmi_win.h"
#include "support/registry_win.h"
#include "tests/fakes/autostart_plants.h"
#include "tests/fakes/memory_report.h"
#include "tests/wine/test_keys.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using namespace testing;
using Microsoft::WRL::ComPtr;

const std::wstring kRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kNt = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";

std::wstring W(const std::string& text) { return Utf8ToWide(text); }

// A value written for the test and put back as it was at scope end.
struct PlantedValue {
  PlantedValue(HKEY root, const std::wstring& path, const std::wstring& name,
               const std::string& text)
      : saved(root, path, name) {
    WriteText(root, path, name, W(text));
  }
  SavedValue saved;
};

bool MakeShortcut(const std::string& link, const std::string& target, const std::string& args) {
  const ComApartment apartment;
  ComPtr<IShellLinkW> shortcut;
  ComPtr<IPersistFile> file;
  return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(&shortcut))) &&
         SUCCEEDED(shortcut->SetPath(W(target).c_str())) &&
         SUCCEEDED(shortcut->SetArguments(W(args).c_str())) && SUCCEEDED(shortcut.As(&file)) &&
         SUCCEEDED(file->Save(W(link).c_str(), TRUE));
}

struct Expected {
  std::string location;
  std::string name;
  std::string image;
  std::string state;
};

// The category's sources over Wine's registry, folders and files.
struct RealSources {
  WindowsRegistry keys;
  WindowsAutostartSystem system;
  DiskFileSource files;
  FileExaminations examined{files};
  AutostartSources sources{keys, system, examined};
};

// The plants written into the real registry; at scope end each value is put back as it was and
// each key the plants made is removed with everything below it.
class PlantedRegistry {
 public:
  PlantedRegistry(const std::string& program, const std::string& dll, const std::string& id) {
    for (const Plant& plant : kPlants) {
      const HKEY root = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(plant.root));
      const std::wstring key = W(PlantText(plant.key, program, dll, id));
      RememberNewKey(root, key);
      const std::wstring name = W(PlantText(plant.value, program, dll, id));
      saved_.push_back(std::make_unique<SavedValue>(root, key, name));
      std::wstring data = W(PlantText(plant.data, program, dll, id));
      if (plant.type == kRegBinary) {
        std::string item = PlantText(plant.data, program, dll, id);
        item.resize(kPlantCatalogItemSize);
        RegSetKeyValueW(root, key.c_str(), name.c_str(), REG_BINARY, item.data(),
                        static_cast<DWORD>(item.size()));
        continue;
      }
      if (plant.type == kRegDword) {
        const DWORD number = std::stoul(data);
        RegSetKeyValueW(root, key.c_str(), name.c_str(), REG_DWORD, &number, sizeof number);
        continue;
      }
      if (plant.type == kRegMultiSz) {
        std::replace(data.begin(), data.end(), L'|', L'\0');
        data += L'\0';
      }
      RegSetKeyValueW(root, key.c_str(), name.c_str(), plant.type, data.c_str(),
                      static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
  }
  ~PlantedRegistry() {
    saved_.clear();
    for (auto made = made_.rbegin(); made != made_.rend(); ++made) {
      RegDeleteTreeW(made->first, made->second.c_str());
      RegDeleteKeyW(made->first, made->second.c_str());
    }
  }
  PlantedRegistry(const PlantedRegistry&) = delete;
  PlantedRegistry& operator=(const PlantedRegistry&) = delete;

 private:
  // The shallowest key of the path that is not there yet, unless a key made before holds it.
  void RememberNewKey(HKEY root, const std::wstring& key) {
    for (std::size_t end = key.find(L'\\');; end = key.find(L'\\', end + 1)) {
      const std::wstring prefix = key.substr(0, end);
      UniqueKey opened;
      if (RegOpenKeyExW(root, prefix.c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS) {
        made_.emplace_back(root, prefix);
        return;
      }
      if (end == std::wstring::npos) return;
    }
  }

  std::vector<std::pair<HKEY, std::wstring>> made_;
  std::vector<std::unique_ptr<SavedValue>> saved_;
};

// Every family's planted entry, written into Wine's registry, is listed under its family and
// resolved to the planted file.
TEST(AutostartOnWine, EveryFamilyPlantedIsListedWithItsFile) {
  TempFolder temp;
  PlacedFiles placed;
  const std::string program = placed.Write(temp.File("tool.exe"), "MZ tool");
  const std::string dll = placed.Write(temp.File("lib.dll"), "MZ lib");
  const std::string id = std::to_string(GetCurrentProcessId());
  std::optional<PlantedRegistry> planted(std::in_place, program, dll, id);

  RealSources real;
  auto& [keys, system, files, examined, sources] = real;
  Result<std::vector<AutostartEntry>> gathered = GatherAutostartEntries(sources);
  planted.reset();
  EXPECT_EQ(gathered.error, Status());
  ResolveAutostartImages(gathered.value, system, keys);
  for (const Plant& plant : kPlants) {
    if (plant.family.empty()) continue;
    const std::string name = PlantText(plant.name, program, dll, id);
    const std::string image = PlantText(plant.image, program, dll, id);
    const auto found = std::count_if(
        gathered.value.begin(), gathered.value.end(), [&](const AutostartEntry& e) {
          return e.family == plant.family && e.name == name && EqualsIgnoreCase(e.image, image) &&
                 e.noFile.empty() == !image.empty();
        });
    EXPECT_EQ(found, 1) << plant.family << " | " << name;
  }
}

TEST(AutostartOnWine, EachPlantedEntryAppearsOnceResolved) {
  TempFolder temp;
  PlacedFiles placed;
  const std::string id = std::to_string(GetCurrentProcessId());
  const std::string tool = placed.Write(temp.File("tool.exe"), "MZ tool");
  placed.MakeFolder(temp.File("Sysinfo Apps"));
  placed.MakeFolder(temp.File("Sysinfo Apps\\app dir"));
  const std::string spaced = placed.Write(temp.File("Sysinfo Apps\\app dir\\run.exe"), "MZ spaced");
  const std::string trailing = temp.File("trail.exe ");
  const std::string device = temp.File("con.exe");
  placed.Write("\\\\?\\" + trailing, "MZ trailing");
  placed.Write("\\\\?\\" + device, "MZ device");
  const std::string missing = temp.File("missing.exe");
  const std::string drivers = GetSpecialFolder(kFolderWindows) + "\\system32\\drivers\\";
  const std::string driver = placed.Write(drivers + "sysinfo-" + id + ".sys", "MZ driver");

  // Run keys of the machine in both views, the current user, and another loaded hive.
  const std::string name = "SysinfoAutostart" + id;
  PlantedValue lm(HKEY_LOCAL_MACHINE, kRun, W(name),
                  "\"" + tool + "\" /a\r\nImage: C:\\forged.exe");
  const std::wstring wowRun = L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
  PlantedValue wow(HKEY_LOCAL_MACHINE, wowRun, W(name), spaced + " /silent");
  PlantedValue cu(HKEY_CURRENT_USER, kRun, W(name), "\"" + trailing + "\" -x");
  PlantedValue user(HKEY_USERS, L".DEFAULT\\" + kRun, W(name), "\"" + device + "\"");
  PlantedValue gone(HKEY_CURRENT_USER, kRun, W(name + "Gone"), missing + " -x");
  const BYTE disabled[12] = {3, 0, 0, 0, 0x00, 0x80, 0x3E, 0xD5, 0xDE, 0xB1, 0x9D, 0x01};
  const std::wstring approved =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
  SavedValue approval(HKEY_CURRENT_USER, approved, W(name));
  RegSetKeyValueW(HKEY_CURRENT_USER, approved.c_str(), W(name).c_str(), REG_BINARY, disabled,
                  sizeof disabled);
  // Winlogon, an image hijack, a silent-exit monitor, AppInit DLLs, Active Setup.
  PlantedValue userinit(HKEY_LOCAL_MACHINE, kNt + L"Winlogon", L"Userinit",
                        "C:\\windows\\system32\\userinit.exe," + tool);
  const std::string image = "sysinfo-" + id + ".exe";
  TestKey ifeo(HKEY_LOCAL_MACHINE, kNt + L"Image File Execution Options\\" + W(image));
  ifeo.SetText(L"Debugger", W(spaced));
  TestKey monitor(HKEY_LOCAL_MACHINE, kNt + L"SilentProcessExit\\" + W(image));
  monitor.SetText(L"MonitorProcess", W("\"" + tool + "\""));
  PlantedValue appInit(HKEY_LOCAL_MACHINE, kNt + L"Windows", L"AppInit_DLLs", tool);
  SavedValue loadAppInit(HKEY_LOCAL_MACHINE, kNt + L"Windows", L"LoadAppInit_DLLs");
  const DWORD off = 0;  // listed, never loaded into the programs the test starts
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, (kNt + L"Windows").c_str(), L"LoadAppInit_DLLs", REG_DWORD,
                  &off, sizeof off);
  const std::wstring component = L"{5A1E0000-0000-0000-0000-" +
                                 W(std::string(12 - id.size(), '0') + id) + L"}";
  TestKey setup(HKEY_LOCAL_MACHINE,
                L"SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\" + component);
  setup.SetText(L"StubPath", W("rundll32.exe \"" + tool + "\",Setup"));
  // An automatic service and a system-start driver.
  const std::wstring services = L"SYSTEM\\CurrentControlSet\\Services\\";
  TestKey service(HKEY_LOCAL_MACHINE, services + W("SysinfoSvc" + id));
  service.SetDword(L"Start", 2);
  service.SetDword(L"Type", 0x10);
  service.SetText(L"ImagePath", W(spaced + " -service"), REG_EXPAND_SZ);
  TestKey driverKey(HKEY_LOCAL_MACHINE, services + W("SysinfoDrv" + id));
  driverKey.SetDword(L"Start", 1);
  driverKey.SetDword(L"Type", 1);
  driverKey.SetText(L"ImagePath", W("\\SystemRoot\\system32\\drivers\\sysinfo-" + id + ".sys"),
                    REG_EXPAND_SZ);
  // A shortcut in the user's Startup folder.
  const std::string startup = GetSpecialFolder(CSIDL_STARTUP);
  CreateDirectoryW(W(startup).c_str(), nullptr);
  const std::string link = placed.Write(startup + "\\" + name + ".lnk", "");
  ASSERT_TRUE(MakeShortcut(link, spaced, "--tray"));
  // A scheduled task made as an administrator would make it.
  const std::string xml = temp.File("task.xml");
  WriteWholeFile(xml, "<?xml version=\"1.0\"?><Task version=\"1.2\" xmlns=\"http://schemas."
                      "microsoft.com/windows/2004/02/mit/task\"><Triggers><LogonTrigger><Enabled>"
                      "true</Enabled></LogonTrigger></Triggers><Actions><Exec><Command>" +
                          tool + "</Command></Exec></Actions></Task>");
  const std::string task = "SysinfoTask" + id;
  const ProgramRun created = RunProgram("C:\\windows\\system32\\schtasks.exe",
                                        {"/create", "/tn", task, "/xml", xml});

  // A task the Task Scheduler cannot show: in the cache without its security descriptor, its
  // file UTF-16 with an unquoted command path holding blanks; and a task file that is no XML.
  const std::string hidden = "Sysinfo Hidden " + id;  // a blank in the task's path too
  TestKey cached(HKEY_LOCAL_MACHINE, kNt + L"Schedule\\TaskCache\\Tree\\" + W(hidden));
  cached.SetText(L"Id", L"{5A1E0000-0000-0000-0000-000000000001}");
  const std::string tasks = GetSpecialFolder(kFolderWindows) + "\\system32\\Tasks\\";
  CreateDirectoryW(W(tasks).c_str(), nullptr);
  const std::string hiddenXml = "<Task><Actions><Exec><Command>" + spaced +
                                "</Command><Arguments>-q</Arguments></Exec></Actions></Task>";
  std::string utf16 = "\xFF\xFE";
  for (char c : hiddenXml) utf16 += {c, '\0'};
  placed.Write(tasks + hidden, utf16);
  placed.Write(tasks + hidden + "Bad", "<Task><Actions>");
  // A task whose file is gone: the cache's copy of its actions says what it runs. Version 1, so no
  // context; one program action: its id, command, arguments, working folder, each counted.
  const std::string deleted = "SysinfoDeleted" + id;
  const std::wstring deletedId = L"{5A1E0000-0000-0000-0000-000000000002}";
  TestKey deletedTree(HKEY_LOCAL_MACHINE, kNt + L"Schedule\\TaskCache\\Tree\\" + W(deleted));
  deletedTree.SetText(L"Id", deletedId);
  TestKey deletedTask(HKEY_LOCAL_MACHINE, kNt + L"Schedule\\TaskCache\\Tasks\\" + deletedId);
  const std::wstring command = W(tool);
  const auto length = static_cast<std::uint32_t>(2 * command.size());
  std::vector<std::uint8_t> actions = {1, 0, 0x66, 0x66, 0, 0, 0, 0};
  for (int shift = 0; shift < 32; shift += 8) actions.push_back(std::uint8_t(length >> shift));
  for (wchar_t c : command) actions.insert(actions.end(), {std::uint8_t(c), std::uint8_t(c >> 8)});
  actions.resize(actions.size() + 8);
  deletedTask.Set(L"Actions", REG_BINARY, actions.data(), static_cast<DWORD>(actions.size()));

  RealSources real;
  auto& [keys, system, files, examined, sources] = real;
  Result<std::vector<AutostartEntry>> gathered = GatherAutostartEntries(sources);
  RunProgram("C:\\windows\\system32\\schtasks.exe", {"/delete", "/f", "/tn", task});
  // Wine 8's Task Scheduler cannot count a folder's tasks (nor read a task's actions); its task
  // files and the cache list them instead, so nothing failed.
  EXPECT_EQ(gathered.error, Status());
  ResolveAutostartImages(gathered.value, system, keys);

  const std::string hklm = "HKEY_LOCAL_MACHINE\\SOFTWARE";
  const std::string run = "\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::string nt = "\\Microsoft\\Windows NT\\CurrentVersion\\";
  const std::string system32 = GetSpecialFolder(kFolderWindows) + "\\system32\\";
  std::vector<Expected> expected = {
      {hklm + run, name, tool, "Enabled"},
      {hklm + "\\WOW6432Node" + run, name, spaced, "Enabled"},
      {"HKEY_CURRENT_USER\\Software" + run, name, trailing, "Disabled"},
      {"HKEY_CURRENT_USER\\Software" + run, name + "Gone", missing, "Enabled"},
      {"HKEY_USERS\\.DEFAULT\\Software" + run, name, device, "Enabled"},
      {hklm + nt + "Image File Execution Options", image, spaced, "Enabled"},
      {hklm + nt + "SilentProcessExit", image, tool, "Enabled"},
      {hklm + nt + "Windows", "AppInit_DLLs", tool, "Disabled (LoadAppInit_DLLs is not 1)"},
      {hklm + "\\Microsoft\\Active Setup\\Installed Components", WideToUtf8(component), tool,
       "Enabled"},
      {"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services", "SysinfoSvc" + id, spaced,
       "Automatic (service)"},
      {"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services", "SysinfoDrv" + id,
       system32 + "drivers\\sysinfo-" + id + ".sys", "System start (driver)"},
      {startup, name + ".lnk", spaced, "Enabled"},
  };
  EXPECT_EQ(created.exitCode, 0u) << "schtasks /create /xml: " << created.output;
  // Wine 8 writes the file of a task made by schtasks with an empty <Exec/>: no program to list.
  if (!system.ScheduledTasks().Failed())
    expected.push_back({"Task Scheduler\\", task, tool, "Enabled"});
  expected.push_back(
      {"Task Scheduler\\", hidden, spaced, "Enabled; hidden (no security descriptor)"});
  expected.push_back(
      {"Task Scheduler\\", deleted, tool, "Enabled; hidden (no security descriptor)"});
  for (const Expected& entry : expected) {
    const auto count = std::count_if(
        gathered.value.begin(), gathered.value.end(), [&](const AutostartEntry& e) {
          return EqualsIgnoreCase(e.location, entry.location) && e.name == entry.name;
        });
    EXPECT_EQ(count, 1) << entry.location << " | " << entry.name;
    for (const AutostartEntry& found : gathered.value) {
      if (!EqualsIgnoreCase(found.location, entry.location) || found.name != entry.name) continue;
      EXPECT_TRUE(EqualsIgnoreCase(found.image, entry.image)) << entry.name << ": " << found.image;
      EXPECT_EQ(found.state, entry.state) << entry.name;
      EXPECT_EQ(system.IsFile(found.image), entry.image != missing) << found.image;
    }
  }
  const auto bad = std::find_if(gathered.value.begin(), gathered.value.end(),
                                [&](const AutostartEntry& e) { return e.name == hidden + "Bad"; });
  ASSERT_NE(bad, gathered.value.end());
  EXPECT_EQ(bad->state, "Not known (task file: line 1: the document ends inside <Actions>)");
  EXPECT_EQ(bad->source, "task file");
  const auto fromCache = std::find_if(gathered.value.begin(), gathered.value.end(),
                                      [&](const AutostartEntry& e) { return e.name == deleted; });
  ASSERT_NE(fromCache, gathered.value.end());
  EXPECT_EQ(fromCache->source, "task cache (actions from the cache)");
  // The current user's hive is read once, as HKEY_CURRENT_USER, not again under HKEY_USERS.
  EXPECT_EQ(std::count_if(gathered.value.begin(), gathered.value.end(),
                          [&](const AutostartEntry& e) { return e.name == name; }),
            4);
  // Each view is its own place, even where Wine links the two: the hijack, planted in the key
  // Wine shares between the views, is listed under both; the monitor once.
  EXPECT_EQ(std::count_if(gathered.value.begin(), gathered.value.end(),
                          [&](const AutostartEntry& e) { return e.name == image; }),
            3);
  // Userinit's list gives the system's own program and the planted one, each an entry.
  const auto userinits = std::count_if(
      gathered.value.begin(), gathered.value.end(), [&](const AutostartEntry& e) {
        return e.name == "Userinit" && EqualsIgnoreCase(e.image, tool);
      });
  EXPECT_EQ(userinits, 1);

  // The written block: no value forges a line, and the planted image is hashed.
  CapturedReport report;
  CollectAutostartEntries(report.writer(), sources, DetailLevel::Advanced);
  const Lines lines = report.Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Image: C:\\forged.exe"), 0);
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "Command: \"" + tool + "\" /a<U+000D><U+000A>Image: C:\\forged.exe"),
            lines.end());
  EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                         [](const std::string& line) {
                           return line.starts_with("Image Created: ") && line.size() > 20;
                         }),
            lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Image Exists: True"), lines.end());
}

}  // namespace
}  // namespace sysinfo
