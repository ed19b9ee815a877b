// The registry's autostart places, one row each: the family a reader filters on, where the place
// is, how its values name what starts, and how that is resolved to the file that runs.
#include "collectors/autostart_places.h"

#include <array>

namespace sysinfo {
namespace {

using enum Scope;
using enum Shape;
using enum Split;
constexpr ImageRule kCommand = ImageRule::CommandLine;
constexpr ImageRule kDll = ImageRule::LoadPath;

constexpr auto kPlaces = std::to_array<AutostartPlace>({
    // family               scope               key                                shape value
    {"Logon", MachineAndUsers, "Microsoft\\Windows\\CurrentVersion\\Run", EveryValue},
    {"Logon", MachineAndUsers, "Microsoft\\Windows\\CurrentVersion\\RunOnce", EveryValue},
    {"Logon", MachineAndUsers, "Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run",
     EveryValue},
    {"Logon", MachineAndUsers, "Microsoft\\Windows\\CurrentVersion\\RunServices", EveryValue},
    {"Logon", MachineAndUsers, "Microsoft\\Windows\\CurrentVersion\\RunServicesOnce", EveryValue},
    {"Logon", Users, "Microsoft\\Windows NT\\CurrentVersion\\Windows", NamedValue, "Load", kCommand,
     BlanksOrCommas},
    {"Logon", Users, "Microsoft\\Windows NT\\CurrentVersion\\Windows", NamedValue, "Run", kCommand,
     BlanksOrCommas},
    {"Logon", Machine64,
     "Microsoft\\Windows NT\\CurrentVersion\\Terminal "
     "Server\\Install\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
     EveryValue},
    {"Logon", Machine64,
     "Microsoft\\Windows NT\\CurrentVersion\\Terminal "
     "Server\\Install\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
     EveryValue},
    {"Logon", Machine, "Microsoft\\Active Setup\\Installed Components", SubkeyValue, "StubPath"},

    {"Boot Execute", System, "CurrentControlSet\\Control\\Session Manager", NamedValue,
     "BootExecute", kCommand, Strings},
    {"Boot Execute", System, "CurrentControlSet\\Control\\Session Manager", NamedValue,
     "SetupExecute", kCommand, Strings},
    {"Boot Execute", System, "CurrentControlSet\\Control\\Session Manager", NamedValue, "Execute",
     kCommand, Strings},
    {"Boot Execute", System, "CurrentControlSet\\Control\\Session Manager", NamedValue,
     "S0InitialCommand"},
    {"Boot Execute", System, "CurrentControlSet\\Control\\SafeBoot", NamedValue, "AlternateShell"},
    {"Boot Execute", System, "Setup", NamedValue, "CmdLine"},
    {"Boot Execute", System, "CurrentControlSet\\Control\\BootVerificationProgram", NamedValue,
     "ImagePath"},

    {"Winlogon", Machine64AndUsers, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", NamedValue,
     "Shell"},
    {"Winlogon", Machine64AndUsers, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", NamedValue,
     "Userinit", kCommand, Commas},
    {"Winlogon", Machine64AndUsers, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", NamedValue,
     "Taskman"},
    {"Winlogon", Machine64, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", NamedValue,
     "AppSetup", kCommand, Commas},
    {"Winlogon", Machine64, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", NamedValue,
     "VmApplet", kCommand, Commas},
    {"Winlogon", Machine64, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify", SubkeyValue,
     "DllName", kDll},
    {"Winlogon", Machine64, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\GPExtensions",
     SubkeyValue, "DllName", kDll},
    {"Winlogon", Machine64AndUsers, "Microsoft\\Windows\\CurrentVersion\\Policies\\System",
     NamedValue, "Shell"},
    {"Winlogon", UserRoot, "Environment", NamedValue, "UserInitMprLogonScript"},

    {"Image Hijacks", Machine,
     "Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options", SubkeyValue,
     "Debugger"},
    {"Image Hijacks", Machine, "Microsoft\\Windows NT\\CurrentVersion\\SilentProcessExit",
     SubkeyValue, "MonitorProcess"},
    {"Command Processor", MachineAndUsers, "Microsoft\\Command Processor", NamedValue, "AutoRun"},

    {"AppInit",
     System,
     "CurrentControlSet\\Control\\Session Manager\\AppCertDlls",
     EveryValue,
     {},
     kDll},
    {"AppCompat", Machine64, "Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\InstalledSDB",
     SubkeyValue, "DatabasePath", ImageRule::Given},

    {"Drivers",
     Machine64,
     "Microsoft\\Windows NT\\CurrentVersion\\Font Drivers",
     EveryValue,
     {},
     kDll},

    {"Explorer", MachineAndUsers, "Microsoft\\Windows\\CurrentVersion\\ShellServiceObjectDelayLoad",
     ClassValueData},
    {"Explorer", MachineAndUsers,
     "Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellServiceObjects", ClassSubkeys},
    {"Explorer", MachineAndUsers,
     "Microsoft\\Windows\\CurrentVersion\\Explorer\\SharedTaskScheduler", ClassValueNames},
    {"Explorer", MachineAndUsers, "Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks",
     ClassValueNames},
    {"Explorer", MachineAndUsers,
     "Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers", ClassSubkeyValue},
    {"Explorer", MachineAndUsers, "Classes\\*\\ShellEx\\ContextMenuHandlers", ClassSubkeyValue},
    {"Explorer", MachineAndUsers, "Classes\\*\\ShellEx\\PropertySheetHandlers", ClassSubkeyValue},
    {"Explorer", MachineAndUsers, "Classes\\AllFilesystemObjects\\ShellEx\\ContextMenuHandlers",
     ClassSubkeyValue},
    {"Explorer", MachineAndUsers, "Classes\\AllFilesystemObjects\\ShellEx\\PropertySheetHandlers",
     ClassSubkeyValue},
    {"Explorer", MachineAndUsers, "Classes\\Directory\\ShellEx\\ContextMenuHandlers",
     ClassSubkeyValue},
    {"Explorer", MachineAndUsers, "Classes\\Directory\\ShellEx\\CopyHookHandlers",
     ClassSubkeyValue},
    {"Explorer", MachineAndUsers, "Classes\\Directory\\ShellEx\\DragDropHandlers",
     ClassSubkeyValue},
    {"Explorer", MachineAndUsers, "Classes\\Directory\\ShellEx\\PropertySheetHandlers",
     ClassSubkeyValue},
    {"Explorer", MachineAndUsers, "Classes\\Directory\\Background\\ShellEx\\ContextMenuHandlers",
     ClassSubkeyValue},
    {"Explorer", MachineAndUsers, "Classes\\Folder\\ShellEx\\ContextMenuHandlers",
     ClassSubkeyValue},
    {"Explorer", MachineAndUsers, "Classes\\Folder\\ShellEx\\DragDropHandlers", ClassSubkeyValue},
    {"Explorer", MachineAndUsers, "Classes\\Folder\\ShellEx\\PropertySheetHandlers",
     ClassSubkeyValue},
    {"Explorer", MachineAndUsers, "Classes\\Drive\\ShellEx\\ContextMenuHandlers", ClassSubkeyValue},
    {"Explorer", MachineAndUsers, "Classes\\Drive\\ShellEx\\PropertySheetHandlers",
     ClassSubkeyValue},

    {"Internet Explorer", MachineAndUsers,
     "Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects", ClassSubkeys},
    {"Internet Explorer", MachineAndUsers, "Microsoft\\Internet Explorer\\Toolbar",
     ClassValueNames},
    {"Internet Explorer", MachineAndUsers, "Microsoft\\Internet Explorer\\URLSearchHooks",
     ClassValueNames},
    {"Internet Explorer", MachineAndUsers, "Microsoft\\Internet Explorer\\Explorer Bars",
     ClassSubkeys},
    {"Internet Explorer", Machine, "Classes\\PROTOCOLS\\Filter", ClassSubkeyValue, "CLSID"},
    {"Internet Explorer", Machine, "Classes\\PROTOCOLS\\Handler", ClassSubkeyValue, "CLSID"},

    {"LSA", System, "CurrentControlSet\\Control\\Lsa", NamedValue, "Authentication Packages", kDll,
     Strings},
    {"LSA", System, "CurrentControlSet\\Control\\Lsa", NamedValue, "Notification Packages", kDll,
     Strings},
    {"LSA", System, "CurrentControlSet\\Control\\Lsa", NamedValue, "Security Packages", kDll,
     Strings},
    {"LSA", System, "CurrentControlSet\\Control\\Lsa\\OSConfig", NamedValue, "Security Packages",
     kDll, Strings},
    {"LSA", System, "CurrentControlSet\\Control\\SecurityProviders", NamedValue,
     "SecurityProviders", kDll, Commas},
    {"Print Monitors", System, "CurrentControlSet\\Control\\Print\\Monitors", SubkeyValue, "Driver",
     kDll},
    {"Print Monitors", System, "CurrentControlSet\\Control\\Print\\Providers", SubkeyValue, "Name",
     kDll},
    {"Time Providers", System, "CurrentControlSet\\Services\\W32Time\\TimeProviders", SubkeyValue,
     "DllName", kDll},
    {"Netsh", Machine, "Microsoft\\NetSh", EveryValue, {}, kDll},
    {"Credential Providers", Machine64,
     "Microsoft\\Windows\\CurrentVersion\\Authentication\\Credential Providers", ClassSubkeys},
    {"Credential Providers", Machine64,
     "Microsoft\\Windows\\CurrentVersion\\Authentication\\Credential Provider Filters",
     ClassSubkeys},
    {"Credential Providers", Machine64,
     "Microsoft\\Windows\\CurrentVersion\\Authentication\\PLAP Providers", ClassSubkeys},
    {"Codecs", Machine, "Microsoft\\Windows NT\\CurrentVersion\\Drivers32", EveryValue, {}, kDll},
    {"Codecs", Machine, "Classes\\Filter", ClassSubkeys},
    {"Codecs", Machine, "Classes\\CLSID\\{083863F1-70DE-11d0-BD40-00A0C911CE86}\\Instance",
     ClassSubkeyValue, "CLSID"},

    {"Office", MachineAndUsers, "Microsoft\\Office test\\Special\\Perf", NamedValue, "", kDll},
    {"Screen Saver", UserRoot, "Control Panel\\Desktop", NamedValue, "SCRNSAVE.EXE"},
    {"Screen Saver", MachineAndUsers, "Policies\\Microsoft\\Windows\\Control Panel\\Desktop",
     NamedValue, "SCRNSAVE.EXE"},
    {"Accessibility", Machine64, "Microsoft\\Windows NT\\CurrentVersion\\Accessibility\\ATs",
     SubkeyValue, "StartExe"},
});

}  // namespace

std::span<const AutostartPlace> AutostartPlaces() { return kPlaces; }

}  // namespace sysinfo
