// Grows machines from real reports. What a scan under Wine lacks (installed programs, a Task
// Scheduler that answers) is made up from catalogues of real programs and startup entries, laid
// out field by field as the Software and Autostart Entries categories write them; the rest of the
// seed is kept, with the churn that processes and services show by themselves.
#include "bench/fleet_generator.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <span>
#include <string_view>

#include "base/text.h"

namespace sysinfo::fleet {
namespace {

namespace chrono = std::chrono;

// splitmix64: the same numbers from every compiler and library, which the standard
// distributions do not promise.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int n) { return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  int Between(int low, int high) { return low + Below(high - low + 1); }
  bool Chance(int percent) { return Below(100) < percent; }
  std::size_t Index(std::size_t size) { return size == 0 ? 0 : Next() % size; }

 private:
  std::uint64_t state_;
};

// What a stream of draws is for: each machine has one of each, so drawing more for one purpose
// moves no other (a machine keeps its name when its changes are drawn differently).
enum class Purpose : std::uint64_t { Id = 1, Name, Rename, Changes };

Random Stream(std::uint64_t seed, int machine, Purpose purpose) {
  Random mix(seed);
  Random perMachine(mix.Next() + static_cast<std::uint64_t>(machine));
  return Random(perMachine.Next() + static_cast<std::uint64_t>(purpose));
}

// FNV-1a: what a file's digest or an installer's product code is made from, so the same program
// at the same version has the same one on every machine.
std::uint64_t Hash(std::string_view text) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
  return hash;
}

std::string Hex(std::uint64_t value, int digits, bool upper) {
  std::string text(static_cast<std::size_t>(digits), '0');
  const char* letters = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  for (int i = digits - 1; i >= 0; --i, value >>= 4)
    text[static_cast<std::size_t>(i)] = letters[value & 15];
  return text;
}

// A random (version 4) UUID.
std::string Uuid(Random& random, bool upper) {
  const std::uint64_t high = (random.Next() & ~0xF000ull) | 0x4000ull;
  const std::uint64_t low = (random.Next() & ~(3ull << 62)) | (2ull << 62);
  return Hex(high >> 32, 8, upper) + "-" + Hex(high >> 16, 4, upper) + "-" + Hex(high, 4, upper) +
         "-" + Hex(low >> 48, 4, upper) + "-" + Hex(low, 12, upper);
}

std::string Sha256Of(std::string_view file) {
  Random random(Hash(file));
  std::string digest;
  for (int i = 0; i < 4; ++i) digest += Hex(random.Next(), 16, true);
  return digest;
}

// ---- Times: a machine's wall clock and its offset from UTC ----

using Moment = chrono::sys_seconds;  // the machine's local time, read as a date and a time

struct Clock {
  int offsetMinutes = 0;
  int schemaVersion = 1;
};

std::string Printed(const char* format, auto... values) {
  std::array<char, 96> text{};
  std::snprintf(text.data(), text.size(), format, values...);
  return text.data();
}

std::string IsoTime(Moment local, int offsetMinutes) {
  const auto day = chrono::floor<chrono::days>(local);
  const chrono::year_month_day date{day};
  const chrono::hh_mm_ss time{local - day};
  const int offset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
  return Printed("%04d-%02u-%02uT%02d:%02d:%02d%c%02d:%02d", int(date.year()),
                 unsigned(date.month()), unsigned(date.day()), int(time.hours().count()),
                 int(time.minutes().count()), int(time.seconds().count()),
                 offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
}

// What the report writes for a file's time in layout 1 ("Monday, December 7, 2026 9:44:33 PM"),
// and in ISO 8601 from layout 2 on.
std::string TimeText(Moment local, const Clock& clock) {
  if (clock.schemaVersion >= 2) return IsoTime(local, clock.offsetMinutes);
  constexpr std::array<const char*, 7> kDays{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};
  constexpr std::array<const char*, 12> kMonths{"January",   "February", "March",    "April",
                                                "May",       "June",     "July",     "August",
                                                "September", "October",  "November", "December"};
  const auto day = chrono::floor<chrono::days>(local);
  const chrono::year_month_day date{day};
  const chrono::hh_mm_ss time{local - day};
  const int hour = int(time.hours().count());
  return Printed("%s, %s %u, %d %d:%02d:%02d %s", kDays[chrono::weekday{day}.c_encoding()],
                 kMonths[unsigned(date.month()) - 1], unsigned(date.day()), int(date.year()),
                 hour % 12 == 0 ? 12 : hour % 12, int(time.minutes().count()),
                 int(time.seconds().count()), hour < 12 ? "AM" : "PM");
}

// The registry's InstallDate: "20261107".
std::string RegistryDate(Moment local) {
  const chrono::year_month_day date{chrono::floor<chrono::days>(local)};
  return Printed("%04d%02u%02u", int(date.year()), unsigned(date.month()), unsigned(date.day()));
}

// ---- The catalogues ----

struct Program {
  std::string_view name;  // "{v}" stands for the version where the name carries it
  std::string_view publisher;
  std::string_view version;  // the oldest a machine has
  std::string_view folder;  // below Program Files; empty where the installer names none
  bool msi = false;  // an MSI package: keyed by its product code, which changes with the version
  bool wow = false;  // a 32-bit program, listed in the WOW6432Node view
  std::string_view site = {};
};

// clang-format off
constexpr std::array<Program, 60> kPrograms{{
    {"Google Chrome", "Google LLC", "119.0.6045.160", "Google\\Chrome\\Application", false, false, "https://www.google.com/chrome/"},
    {"Mozilla Firefox (x64 en-US)", "Mozilla", "120.0.1", "Mozilla Firefox", false, false, "https://www.mozilla.org"},
    {"Microsoft Edge", "Microsoft Corporation", "119.0.2151.72", "Microsoft\\Edge\\Application", false, true},
    {"Microsoft Edge WebView2 Runtime", "Microsoft Corporation", "119.0.2151.72", "Microsoft\\EdgeWebView\\Application", false, true},
    {"7-Zip {v} (x64)", "Igor Pavlov", "23.01", "7-Zip", false, false, "https://www.7-zip.org/"},
    {"Notepad++ (64-bit x64)", "Notepad++ Team", "8.5.8", "Notepad++", false, false, "https://notepad-plus-plus.org/"},
    {"VLC media player", "VideoLAN", "3.0.18", "VideoLAN\\VLC", false, false, "http://www.videolan.org/"},
    {"Adobe Acrobat Reader DC", "Adobe Systems Incorporated", "23.006.20360", "Adobe\\Acrobat DC", true, true, "http://www.adobe.com"},
    {"Zoom", "Zoom Video Communications, Inc.", "5.16.6.24712", "Zoom\\bin", false, false, "https://zoom.us"},
    {"Teams Machine-Wide Installer", "Microsoft Corporation", "1.6.0.33567", "", true, true},
    {"Microsoft OneDrive", "Microsoft Corporation", "23.226.1031.0003", "Microsoft OneDrive", false, false},
    {"Microsoft 365 Apps for enterprise - en-us", "Microsoft Corporation", "16.0.16924.20150", "Microsoft Office", false, false},
    {"Microsoft Visual C++ 2015-2022 Redistributable (x64) - {v}", "Microsoft Corporation", "14.38.33130", "", false, true},
    {"Microsoft Visual C++ 2015-2022 Redistributable (x86) - {v}", "Microsoft Corporation", "14.38.33130", "", false, true},
    {"Microsoft Visual C++ 2013 Redistributable (x64) - {v}", "Microsoft Corporation", "12.0.40664", "", false, true},
    {"Microsoft Windows Desktop Runtime - 8.0.0 (x64)", "Microsoft Corporation", "8.0.0.33101", "", false, true},
    {"Python {v} (64-bit)", "Python Software Foundation", "3.11.6", "", false, false, "https://www.python.org/"},
    {"Git", "The Git Development Community", "2.42.0.2", "Git", false, false, "https://gitforwindows.org/"},
    {"Microsoft Visual Studio Code", "Microsoft Corporation", "1.84.2", "Microsoft VS Code", false, false, "https://code.visualstudio.com/"},
    {"PuTTY release {v} (64-bit)", "Simon Tatham", "0.79", "PuTTY", true, false, "https://www.chiark.greenend.org.uk/~sgtatham/putty/"},
    {"WinSCP {v}", "Martin Prikryl", "6.1.2", "WinSCP", false, true, "https://winscp.net/"},
    {"KeePass Password Safe {v}", "Dominik Reichl", "2.55", "KeePass Password Safe 2", false, true, "https://keepass.info/"},
    {"Mozilla Thunderbird (x64 en-US)", "Mozilla", "115.5.0", "Mozilla Thunderbird", false, false, "https://www.mozilla.org/thunderbird/"},
    {"Slack (Machine - MSI)", "Slack Technologies Inc.", "4.35.126", "", true, true},
    {"Steam", "Valve Corporation", "2.10.91.91", "Steam", false, true, "http://www.valvesoftware.com/"},
    {"Dropbox", "Dropbox, Inc.", "187.4.5691", "Dropbox\\Client", false, true, "https://www.dropbox.com"},
    {"TeamViewer", "TeamViewer", "15.48.4", "TeamViewer", false, false, "https://www.teamviewer.com"},
    {"AnyDesk", "philandro Software GmbH", "8.0.6", "AnyDesk", false, true, "https://anydesk.com"},
    {"Java 8 Update 391 (64-bit)", "Oracle Corporation", "8.0.3910.13", "Java\\jre-1.8", true, false, "https://java.com"},
    {"Eclipse Temurin JDK with Hotspot {v} (x64)", "Eclipse Adoptium", "17.0.9.9", "Eclipse Adoptium\\jdk-17-hotspot", true, false, "https://adoptium.net"},
    {"Node.js", "Node.js Foundation", "20.10.0", "nodejs", true, false, "https://nodejs.org"},
    {"GIMP {v}", "The GIMP Team", "2.10.34", "GIMP 2", false, false, "https://www.gimp.org/"},
    {"Inkscape", "Inkscape", "1.3.0", "Inkscape", true, false, "https://inkscape.org"},
    {"LibreOffice {v}", "The Document Foundation", "7.6.3.2", "LibreOffice", true, false, "https://www.documentfoundation.org"},
    {"Audacity {v}", "Audacity Team", "3.4.2", "Audacity", false, false, "https://www.audacityteam.org/"},
    {"OBS Studio", "OBS Project", "30.0.0", "obs-studio", false, false, "https://obsproject.com"},
    {"paint.net", "dotPDN LLC", "5.0.11", "paint.net", true, false, "https://www.getpaint.net"},
    {"WinRAR {v} (64-bit)", "win.rar GmbH", "6.24.0", "WinRAR", false, false},
    {"Wireshark {v} x64", "The Wireshark developer community, https://www.wireshark.org", "4.2.0", "Wireshark", false, false, "https://www.wireshark.org"},
    {"Npcap", "Nmap Project", "1.78", "Npcap", false, true, "https://npcap.com"},
    {"CCleaner", "Piriform", "6.18", "CCleaner", false, false, "https://www.ccleaner.com"},
    {"Malwarebytes version {v}", "Malwarebytes", "4.6.7.300", "Malwarebytes\\Anti-Malware", false, false, "https://www.malwarebytes.com"},
    {"Greenshot {v}", "Greenshot", "1.2.10.6", "Greenshot", false, false, "https://getgreenshot.org"},
    {"ShareX", "ShareX Team", "15.0.0", "ShareX", false, false, "https://getsharex.com"},
    {"FileZilla {v}", "Tim Kosse", "3.66.1", "FileZilla FTP Client", false, false, "https://filezilla-project.org/"},
    {"Docker Desktop", "Docker Inc.", "4.25.2", "Docker\\Docker", false, false},
    {"Oracle VM VirtualBox {v}", "Oracle Corporation", "7.0.12", "Oracle\\VirtualBox", true, false, "https://www.virtualbox.org"},
    {"VMware Tools", "VMware, Inc.", "12.3.0.22234872", "VMware\\VMware Tools", true, false},
    {"Realtek High Definition Audio Driver", "Realtek Semiconductor Corp.", "6.0.9239.1", "", false, true},
    {"NVIDIA Graphics Driver {v}", "NVIDIA Corporation", "546.17", "NVIDIA Corporation\\Installer2", false, false},
    {"Logitech Options", "Logitech", "10.10.58", "Logitech\\LogiOptions", false, false},
    {"Cisco Secure Client - AnyConnect VPN", "Cisco Systems, Inc.", "5.0.05040", "Cisco\\Cisco Secure Client", true, true},
    {"FortiClient VPN", "Fortinet Technologies Inc", "7.2.2.776", "Fortinet\\FortiClient", true, false},
    {"Citrix Workspace 2311", "Citrix Systems, Inc.", "23.11.0.160", "Citrix\\ICA Client", false, true},
    {"Microsoft Update Health Tools", "Microsoft Corporation", "3.74.0.0", "", true, false},
    {"Windows PC Health Check", "Microsoft Corporation", "3.7.2204.15001", "", true, false},
    {"Dell SupportAssist", "Dell Inc.", "3.14.2.45", "Dell\\SupportAssistAgent", true, false},
    {"HP Support Assistant", "HP Inc.", "9.25.40.0", "HP\\HP Support Framework", false, true},
    {"Foxit PDF Reader", "Foxit Software Inc.", "2023.3.0.23028", "Foxit Software\\Foxit PDF Reader", false, true, "https://www.foxit.com"},
    {"Everything {v} (x64)", "David Carpenter", "1.4.1.1024", "Everything", false, false, "https://www.voidtools.com"},
}};
// clang-format on

struct Starter {
  std::string_view location;  // "{user}" stands for the account, here and in the paths
  std::string_view name;
  std::string_view command;
  std::string_view image;  // the file the command runs
  std::string_view signer;  // empty: unsigned
  std::string_view company, version;
  std::string_view triggers = {};  // a task's
  bool missing = false;  // the file is gone
};

constexpr std::string_view kMachineRun =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr std::string_view kWowRun =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr std::string_view kUserRun =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr std::string_view kUserRunOnce =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr std::string_view kStartup =
    "C:\\Users\\{user}\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
constexpr std::string_view kTasks = "Task Scheduler\\";

// clang-format off
constexpr std::array<Starter, 16> kStarters{{
    {kMachineRun, "SecurityHealth", "%windir%\\system32\\SecurityHealthSystray.exe", "C:\\Windows\\system32\\SecurityHealthSystray.exe", "Microsoft Windows", "Microsoft Corporation", "10.0.19041.3636"},
    {kMachineRun, "RtkAudUService", "\"C:\\Windows\\System32\\RtkAudUService64.exe\" -background", "C:\\Windows\\System32\\RtkAudUService64.exe", "Realtek Semiconductor Corp.", "Realtek Semiconductor", "1.0.0.1287"},
    {kWowRun, "SunJavaUpdateSched", "\"C:\\Program Files (x86)\\Common Files\\Java\\Java Update\\jusched.exe\"", "C:\\Program Files (x86)\\Common Files\\Java\\Java Update\\jusched.exe", "Oracle America, Inc.", "Oracle Corporation", "2.8.391.13"},
    {kWowRun, "AdobeAAMUpdater-1.0", "\"C:\\Program Files (x86)\\Common Files\\Adobe\\OOBE\\PDApp\\UWA\\UpdaterStartupUtility.exe\"", "C:\\Program Files (x86)\\Common Files\\Adobe\\OOBE\\PDApp\\UWA\\UpdaterStartupUtility.exe", "Adobe Inc.", "Adobe Systems Incorporated", "10.0.0.14"},
    {kUserRun, "OneDrive", "\"C:\\Users\\{user}\\AppData\\Local\\Microsoft\\OneDrive\\OneDrive.exe\" /background", "C:\\Users\\{user}\\AppData\\Local\\Microsoft\\OneDrive\\OneDrive.exe", "Microsoft Corporation", "Microsoft Corporation", "23.226.1031.3"},
    {kUserRun, "com.squirrel.Teams.Teams", "C:\\Users\\{user}\\AppData\\Local\\Microsoft\\Teams\\Update.exe --processStart \"Teams.exe\" --process-start-args \"--system-initiated\"", "C:\\Users\\{user}\\AppData\\Local\\Microsoft\\Teams\\Update.exe", "Microsoft Corporation", "Microsoft Corporation", "1.5.0.0"},
    {kUserRun, "Spotify", "\"C:\\Users\\{user}\\AppData\\Roaming\\Spotify\\Spotify.exe\" --autostart --minimized", "C:\\Users\\{user}\\AppData\\Roaming\\Spotify\\Spotify.exe", "Spotify AB", "Spotify Ltd", "1.2.25.1011"},
    {kUserRun, "Steam", "\"C:\\Program Files (x86)\\Steam\\steam.exe\" -silent", "C:\\Program Files (x86)\\Steam\\steam.exe", "Valve", "Valve Corporation", "8.66.84.37"},
    {kUserRun, "WindowsUpdateCheck", "\"C:\\Users\\{user}\\AppData\\Roaming\\winupd\\winupd.exe\" -silent", "C:\\Users\\{user}\\AppData\\Roaming\\winupd\\winupd.exe", "", "", ""},
    {kUserRunOnce, "cleanup", "cmd /c del \"C:\\Users\\{user}\\AppData\\Local\\Temp\\setup_7a1.tmp\"", "C:\\Users\\{user}\\AppData\\Local\\Temp\\setup_7a1.tmp", "", "", "", {}, true},
    {kStartup, "sync.vbs", "C:\\Users\\{user}\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup\\sync.vbs", "C:\\Users\\{user}\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup\\sync.vbs", "", "", ""},
    {kStartup, "Greenshot.lnk", "\"C:\\Program Files\\Greenshot\\Greenshot.exe\"", "C:\\Program Files\\Greenshot\\Greenshot.exe", "Greenshot", "Greenshot", "1.2.10.6"},
    {kTasks, "GoogleUpdateTaskMachineCore", "C:\\Program Files (x86)\\Google\\Update\\GoogleUpdate.exe /c", "C:\\Program Files (x86)\\Google\\Update\\GoogleUpdate.exe", "Google LLC", "Google LLC", "1.3.36.352", "At log on; Daily from 2026-01-01T10:00:00"},
    {kTasks, "MicrosoftEdgeUpdateTaskMachineUA", "C:\\Program Files (x86)\\Microsoft\\EdgeUpdate\\MicrosoftEdgeUpdate.exe /ua /installsource scheduler", "C:\\Program Files (x86)\\Microsoft\\EdgeUpdate\\MicrosoftEdgeUpdate.exe", "Microsoft Corporation", "Microsoft Corporation", "1.3.181.5", "Daily from 2026-01-01T09:30:00"},
    {kTasks, "Adobe Acrobat Update Task", "C:\\Program Files (x86)\\Common Files\\Adobe\\ARM\\1.0\\AdobeARM.exe", "C:\\Program Files (x86)\\Common Files\\Adobe\\ARM\\1.0\\AdobeARM.exe", "Adobe Inc.", "Adobe Inc.", "1.824.460.1042", "At log on; Daily from 2026-01-01T12:00:00"},
    {kTasks, "SystemHealthCheck", "powershell.exe -WindowStyle Hidden -File C:\\ProgramData\\shc\\check.ps1", "C:\\ProgramData\\shc\\check.ps1", "", "", "", "At startup"},
}};
// clang-format on

// Services a program brings with it, as the Services category lists them.
struct AddedService {
  std::string_view name, displayName, path;
};
constexpr std::array<AddedService, 4> kServices{{
    {"gupdate", "Google Update Service (gupdate)",
     "\"C:\\Program Files (x86)\\Google\\Update\\GoogleUpdate.exe\" /svc"},
    {"TeamViewer", "TeamViewer", "\"C:\\Program Files\\TeamViewer\\TeamViewer_Service.exe\""},
    {"AdobeARMservice", "Adobe Acrobat Update Service",
     "\"C:\\Program Files (x86)\\Common Files\\Adobe\\ARM\\1.0\\armsvc.exe\""},
    {"MBAMService", "Malwarebytes Service",
     "\"C:\\Program Files\\Malwarebytes\\Anti-Malware\\MBAMService.exe\""},
}};

// Programs a user runs, beside what the seed's machine was running.
constexpr std::array<std::string_view, 6> kUserProcesses{
    "C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe",
    "C:\\Program Files\\Mozilla Firefox\\firefox.exe",
    "C:\\Windows\\System32\\notepad.exe",
    "C:\\Program Files\\Microsoft Office\\root\\Office16\\OUTLOOK.EXE",
    "C:\\Program Files\\Notepad++\\notepad++.exe",
    "C:\\Windows\\System32\\cmd.exe"};

// The Software category's columns and the level each is written from, in its order.
struct Column {
  std::string_view name;
  int level;
};
// clang-format off
constexpr std::array<Column, 15> kSoftwareColumns{{
    {"DisplayName", 1}, {"Contact", 2}, {"DisplayIcon", 3}, {"DisplayVersion", 1}, {"HelpLink", 3},
    {"InstallLocation", 1}, {"InstallDate", 2}, {"NoModify", 2}, {"NoRepair", 2}, {"Publisher", 1},
    {"QuietUninstallString", 2}, {"UninstallString", 2}, {"URLInfoAbout", 3}, {"URLUpdateInfo", 3},
    {"RegistryPath", 1},
}};
// clang-format on

// Categories that can fail on a real machine (a WMI query or a registry read refused).
constexpr std::array<std::string_view, 6> kFallible{"Processes", "Services", "Software",
                                                    "Hardware",  "Drives",   "Startup Items"};

std::string Replaced(std::string_view text, std::string_view from, std::string_view to) {
  std::string result(text);
  for (std::size_t at = result.find(from); at != std::string::npos;
       at = result.find(from, at + to.size())) {
    result.replace(at, from.size(), to);
  }
  return result;
}

Json* FindCategory(Json& report, std::string_view name) {
  for (Json& category : report["categories"]) {
    if (category.value("name", "") == name) return &category;
  }
  return nullptr;
}

// An item with the fields `model` has, in its order, from `values` (null where it has none):
// what a new process or service of the seed's level looks like.
Json Shaped(const Json& model, const Json& values) {
  Json item = Json::object();
  for (const auto& [field, unused] : model.items()) item[field] = values.value(field, Json());
  return item;
}

// Ordered as the category orders them: by one field or two, letter case aside.
void SortByName(Json& items, const std::string& first, const std::string& second = {}) {
  std::stable_sort(items.begin(), items.end(), [&](const Json& a, const Json& b) {
    const int byFirst = CompareIgnoreCase(a.value(first, ""), b.value(first, ""));
    if (byFirst != 0 || second.empty()) return byFirst < 0;
    return CompareIgnoreCase(a.value(second, ""), b.value(second, "")) < 0;
  });
}

// A version one step on: a patch more, or now and then a minor release.
std::string Upgraded(std::string_view version, Random& random) {
  std::vector<long> parts;
  for (std::size_t start = 0; start <= version.size();) {
    const std::size_t end = std::min(version.find('.', start), version.size());
    parts.push_back(std::stol(std::string(version.substr(start, end - start))));
    start = end + 1;
  }
  const std::size_t bumped = parts.size() > 1 && random.Chance(30) ? parts.size() - 2
                                                                   : parts.size() - 1;
  parts[bumped] += random.Between(1, 9);
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    text += (i ? "." : "") + std::to_string(i > bumped ? 0 : parts[i]);
  }
  return text;
}

struct Installed {
  std::size_t program;
  std::string version, installDate;
};

struct StartEntry {
  std::size_t starter;
  Moment appeared;
  bool disabled = false;
};

// One machine: what it is, and what it holds as its scans go by.
class Machine {
 public:
  Machine(const FleetPlan& plan, int number)
      : seed_(plan.seeds[static_cast<std::size_t>(number) % plan.seeds.size()]),
        plan_(plan),
        number_(number),
        random_(Stream(plan.randomSeed, number, Purpose::Changes)) {
    Random id = Stream(plan.randomSeed, number, Purpose::Id);
    idSource_ = number % 10 == 9 ? "machine-guid" : "smbios";
    machineId_ = Uuid(id, idSource_ == "smbios");  // firmware UUIDs are written in capitals
    constexpr std::array<int, 9> kOffsets{0, 60, 120, -300, -480, 330, 600, -180, 540};
    clock_ = {kOffsets[random_.Index(kOffsets.size())], seed_.value("schemaVersion", 1)};
    constexpr std::array<std::string_view, 8> kUsers{"anna.berg", "jsmith",  "mgarcia", "tkowalski",
                                                     "li.wei",    "o.nowak", "pdubois", "kmueller"};
    user_ = kUsers[random_.Index(kUsers.size())];
    now_ = SeedDay() + chrono::days{random_.Between(1, 7)};
    InstallFirstPrograms();
  }

  Json Scan(int scan) {
    if (scan > 0) ChangeSince();
    now_ = Moment{chrono::floor<chrono::days>(now_)} +
           chrono::days{scan > 0 ? random_.Between(2, 6) : 0} +
           chrono::hours{random_.Between(8, 17)} + chrono::minutes{random_.Below(60)} +
           chrono::seconds{random_.Below(60)};
    if (scan == 0) StartFirstEntries();
    const std::string name = ComputerName(scan);
    Json report = Header(name);
    for (Json& category : report["categories"])
      category["elapsedMs"] = Varied(category.value("elapsedMs", 0));
    Rename(report, name);
    if (Json* software = FindCategory(report, "Software")) FillSoftware(*software);
    if (Json* autostart = FindCategory(report, "Autostart Entries")) FillAutostart(*autostart);
    if (Json* services = FindCategory(report, "Services")) ChurnServices(*services);
    if (Json* processes = FindCategory(report, "Processes")) ChurnProcesses(*processes);
    if (random_.Chance(5)) Fail(report);
    return report;
  }

 private:
  int Level() const { return seed_["level"].value("number", 3); }

  // The seed's scan day: the fleet is scanned after it, so the seed's own file times come first.
  Moment SeedDay() const {
    const std::string time = seed_.value("scanTime", "2026-11-01");
    int year = 2026, month = 11, day = 1;
    std::sscanf(time.c_str(), "%d-%d-%d", &year, &month, &day);
    return Moment{chrono::sys_days{chrono::year{year} / month / day}};
  }

  std::int64_t Varied(std::int64_t ms) { return ms * random_.Between(70, 130) / 100; }

  static std::string MadeUpName(Random random) {
    constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    constexpr std::array<std::string_view, 5> kTeams{"FIN", "HR", "ENG", "OPS", "SALES"};
    std::string name;
    switch (random.Below(3)) {
      case 0: name = "DESKTOP-"; break;
      case 1: name = "LAPTOP-"; break;
      default:
        return std::string(kTeams[random.Index(kTeams.size())]) + "-PC-" +
               Printed("%03d", random.Below(1000));
    }
    for (int i = 0; i < 7; ++i) name += kLetters[random.Index(kLetters.size())];
    return name;
  }

  // Names are reused (machines 0 and 1 share one) and changed (every tenth machine is renamed
  // half-way through its scans): only the id tells machines apart.
  std::string ComputerName(int scan) const {
    const bool renamed = number_ % 10 == 3 && plan_.scans > 1 &&
                         scan >= std::max(1, plan_.scans / 2);
    if (renamed) return MadeUpName(Stream(plan_.randomSeed, number_, Purpose::Rename));
    return MadeUpName(Stream(plan_.randomSeed, number_ == 1 ? 0 : number_, Purpose::Name));
  }

  // The seed's members in its order, with this machine's name, id and scan time.
  Json Header(const std::string& name) {
    Json report = Json::object();
    report["schemaVersion"] = seed_["schemaVersion"];
    report["tool"] = seed_["tool"];
    report["computer"] = name;
    report["machineId"] = machineId_;
    report["machineIdSource"] = idSource_;
    report["scanTime"] = IsoTime(now_, clock_.offsetMinutes);
    for (const auto& [member, value] : seed_.items()) {
      if (!report.contains(member)) report[member] = value;
    }
    if (report.contains("elapsedMs"))
      report["elapsedMs"] = Varied(report["elapsedMs"].get<std::int64_t>());
    return report;
  }

  void Rename(Json& report, const std::string& name) {
    if (Json* system = FindCategory(report, "Computer System")) {
      for (Json& item : (*system)["items"]) {
        if (item.contains("Name")) item["Name"] = name;
        if (item.contains("UserName")) item["UserName"] = name + "\\" + user_;
      }
    }
    if (Json* os = FindCategory(report, "Operating System")) {
      for (Json& item : (*os)["items"]) {
        if (item.contains("CurrentTimeZone")) item["CurrentTimeZone"] = clock_.offsetMinutes;
      }
    }
  }

  // ---- Software ----

  void InstallFirstPrograms() {
    for (int count = random_.Between(15, 30); count > 0; --count)
      Install(now_ - chrono::days{random_.Between(10, 400)});
  }

  void Install(Moment when) {
    std::vector<std::size_t> absent;
    for (std::size_t i = 0; i < kPrograms.size(); ++i) {
      if (std::none_of(programs_.begin(), programs_.end(),
                       [i](const Installed& p) { return p.program == i; }))
        absent.push_back(i);
    }
    if (absent.empty()) return;
    const std::size_t program = absent[random_.Index(absent.size())];
    programs_.push_back({program, std::string(kPrograms[program].version), RegistryDate(when)});
  }

  Json SoftwareItem(const Installed& installed) const {
    const Program& program = kPrograms[installed.program];
    const std::string name = Replaced(program.name, "{v}", installed.version);
    const std::string folder = program.folder.empty() ? std::string()
                                                      : (program.wow ? "C:\\Program Files (x86)\\"
                                                                     : "C:\\Program Files\\") +
                                                            std::string(program.folder);
    Random code(Hash(name + installed.version));
    const std::string productCode = "{" + Uuid(code, true) + "}";
    const std::string uninstaller =
        "\"" + (folder.empty() ? "C:\\ProgramData\\Package Cache\\" + productCode : folder) +
        "\\uninstall.exe\"";
    const Json site = program.site.empty() ? Json() : Json(program.site);
    Json full = {
        {"DisplayName", name},
        {"Contact", Json()},
        {"DisplayIcon", program.msi ? Json() : Json(uninstaller + ",0")},
        {"DisplayVersion", installed.version},
        {"HelpLink", program.msi ? Json() : site},
        {"InstallLocation", folder},
        {"InstallDate", Hash(name) % 3 == 0 && !program.msi ? Json() : Json(installed.installDate)},
        {"NoModify", 1},
        {"NoRepair", program.msi ? Json() : Json(1)},
        {"Publisher", program.publisher},
        {"QuietUninstallString", program.msi ? Json() : Json(uninstaller + " /S")},
        {"UninstallString", program.msi ? "MsiExec.exe /X" + productCode : uninstaller},
        {"URLInfoAbout", site},
        {"URLUpdateInfo", program.msi ? site : Json()},
        {"RegistryPath", std::string("HKEY_LOCAL_MACHINE\\SOFTWARE\\") +
                             (program.wow ? "WOW6432Node\\" : "") +
                             "Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                             (program.msi ? productCode : Replaced(program.name, " {v}", ""))},
    };
    Json item = Json::object();
    for (const Column& column : kSoftwareColumns) {
      if (column.level <= Level()) item[column.name] = full[column.name];
    }
    return item;
  }

  // The seed's own Uninstall entries (none under Wine) give way to the machine's.
  void FillSoftware(Json& category) const {
    Json items = Json::array();
    for (const Installed& installed : programs_) items.push_back(SoftwareItem(installed));
    SortByName(items, "DisplayName");
    category["status"] = items.empty() ? "empty" : "ok";
    category["items"] = std::move(items);
    category.erase("error");
  }

  // ---- Autostart Entries ----

  void StartFirstEntries() {
    for (int count = random_.Between(3, 6); count > 0; --count)
      StartOne(now_ - chrono::days{random_.Between(5, 300)});
  }

  void StartOne(Moment when) {
    const std::size_t starter = random_.Index(kStarters.size());
    const bool present = std::any_of(entries_.begin(), entries_.end(),
                                     [&](const StartEntry& e) { return e.starter == starter; });
    if (!present)
      entries_.push_back(
          {starter, when - chrono::minutes{random_.Below(24 * 60)}, random_.Chance(15)});
  }

  Json AutostartItem(const StartEntry& entry) const {
    const Starter& starter = kStarters[entry.starter];
    const auto text = [&](std::string_view value) { return Replaced(value, "{user}", user_); };
    const bool task = starter.location == kTasks;
    const bool exists = !starter.missing;
    const auto known = [&](std::string_view value) {
      return exists && !value.empty() ? Json(value) : Json();
    };
    Json item = {{"Location", text(starter.location)},
                 {"Name", starter.name},
                 {"Command", text(starter.command)},
                 {"State", entry.disabled ? "Disabled" : "Enabled"}};
    if (task) item["Triggers"] = starter.triggers;
    if (Level() < 2) return item;
    item["Image"] = text(starter.image);
    item["ImageExists"] = exists;
    item["Signature"] = exists ? Json(starter.signer.empty() ? "unsigned" : "signed") : Json();
    item["Signer"] = known(starter.signer);
    if (Level() < 3) return item;
    item["SHA256"] = exists ? Json(Sha256Of(text(starter.image) + std::string(starter.version)))
                            : Json();
    item["Company"] = known(starter.company);
    item["Version"] = known(starter.version);
    item["ImageCreated"] = exists ? Json(TimeText(entry.appeared - chrono::hours{2}, clock_))
                                  : Json();
    item["ImageModified"] = exists ? Json(TimeText(entry.appeared - chrono::hours{1}, clock_))
                                   : Json();
    // Task Manager's switch records when it was turned off; a task has no such switch.
    if (entry.disabled && !task)
      item["StateChanged"] = TimeText(entry.appeared + chrono::hours{20}, clock_);
    return item;
  }

  // A real machine's Task Scheduler answers; now and then it does not, as under Wine, and the
  // tasks are then missing from the list.
  void FillAutostart(Json& category) {
    const bool taskSchedulerFails = category.value("status", "") == "failed" && random_.Chance(15);
    if (!taskSchedulerFails) {
      category["status"] = "ok";
      category.erase("error");
    }
    Json& items = category["items"];
    for (const StartEntry& entry : entries_) {
      const Json item = AutostartItem(entry);
      const bool task = kStarters[entry.starter].location == kTasks;
      const bool taken = std::any_of(items.begin(), items.end(), [&](const Json& seen) {
        return seen.value("Location", "") == item["Location"] &&
               seen.value("Name", "") == item["Name"];
      });
      if (!taken && !(task && taskSchedulerFails)) items.push_back(item);
    }
    SortByName(items, "Location", "Name");
  }

  // ---- What changes between two scans ----

  void ChangeSince() {
    for (int count = random_.Between(1, 3); count > 0 && !programs_.empty(); --count) {
      Installed& program = programs_[random_.Index(programs_.size())];
      program.version = Upgraded(program.version, random_);
      program.installDate = RegistryDate(now_ + chrono::days{1});
    }
    if (random_.Chance(60)) Install(now_ + chrono::days{1});
    if (random_.Chance(40) && programs_.size() > 5)
      programs_.erase(programs_.begin() + static_cast<int>(random_.Index(programs_.size())));
    if (random_.Chance(30)) StartOne(now_ + chrono::days{1});
    if (random_.Chance(10) && !entries_.empty())
      entries_.erase(entries_.begin() + static_cast<int>(random_.Index(entries_.size())));
    if (random_.Chance(20) && services_ < static_cast<int>(kServices.size())) ++services_;
  }

  int ProcessId() { return 4 * random_.Between(25, 9000); }

  void ChurnServices(Json& category) {
    Json& items = category["items"];
    if (items.empty()) return;
    const Json model = items[0];
    for (int i = 0; i < services_; ++i) {
      const AddedService& service = kServices[static_cast<std::size_t>(i)];
      // clang-format off
      items.push_back(Shaped(model, {
          {"DisplayName", service.displayName}, {"Name", service.name}, {"PathName", service.path},
          {"AcceptPause", false}, {"AcceptStop", true}, {"CheckPoint", 0}, {"DesktopInteract", false},
          {"ErrorControl", "Normal"}, {"ProcessId", ProcessId()}, {"ServiceType", "Own Process"},
          {"Started", true}, {"StartMode", "Auto"}, {"StartName", "LocalSystem"}, {"State", "Running"}}));
      // clang-format on
    }
    for (int flips = random_.Below(3); flips > 0; --flips) {
      Json& service = items[random_.Index(items.size())];
      const bool running = service.value("State", "") == "Running";
      service["State"] = running ? "Stopped" : "Running";
      if (service.contains("ProcessId")) service["ProcessId"] = running ? 0 : ProcessId();
      if (service.contains("Started")) service["Started"] = !running;
    }
  }

  // Every process has a new id each scan, counters move, and the user's programs come and go.
  void ChurnProcesses(Json& category) {
    Json& items = category["items"];
    if (items.empty()) return;
    const Json model = items[0];
    for (const std::string_view path : kUserProcesses) {
      if (!random_.Chance(40)) continue;
      items.push_back(Shaped(model, {{"Name", path.substr(path.rfind('\\') + 1)},
                                     {"CommandLine", "\"" + std::string(path) + "\""},
                                     {"ExecutablePath", path},
                                     {"ThreadCount", random_.Between(4, 60)},
                                     {"WorkingSetSize", 0}}));
    }
    for (Json& process : items) {
      const int id = ProcessId();
      for (auto& [field, value] : process.items()) {
        if (field == "ProcessId")
          value = id;
        else if (field == "Handle")
          value = std::to_string(id);
        else if (field == "ParentProcessId")
          value = 4 * random_.Between(1, 200);
        else if (value.is_number() && field != "Priority")
          value = value.get<std::int64_t>() * random_.Between(50, 150) / 100;
      }
    }
    SortByName(items, "Name");
  }

  // A category the platform refused or that stopped answering keeps what it had listed by then.
  void Fail(Json& report) {
    Json* category = FindCategory(report, kFallible[random_.Index(kFallible.size())]);
    if (!category || !category->contains("items")) return;
    const bool wmi = category->value("name", "") != "Software";
    const bool timedOut = wmi && random_.Chance(50);
    Json& items = (*category)["items"];
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(items.size() / 2), items.end());
    (*category)["status"] = timedOut ? "timed_out" : "failed";
    (*category)["error"] =
        timedOut ? "WMI did not answer within 30 seconds"
        : wmi    ? "Access denied (0x80041003)"
                 : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall: Access is denied.";
  }

  const Json& seed_;
  const FleetPlan& plan_;
  int number_;
  Random random_;
  std::string machineId_, idSource_, user_;
  Clock clock_;
  Moment now_;
  std::vector<Installed> programs_;
  std::vector<StartEntry> entries_;
  int services_ = 0;  // how many of kServices its programs have added
};

}  // namespace

std::string SeedFault(const Json& seed) {
  if (!seed.is_object()) return "not a JSON report";
  const Json version = seed.value("schemaVersion", Json());
  if (version != 1 && version != 2) return "schemaVersion is not 1 or 2";
  if (!seed.contains("tool") || !seed.contains("level") || !seed["level"].is_object())
    return "no tool or level";
  const int level = seed["level"].value("number", 0);
  if (level < 1 || level > 3) return "a level other than 1, 2 or 3";
  if (!seed.contains("categories") || !seed["categories"].is_array()) return "no categories";
  for (const Json& category : seed["categories"]) {
    if (!category.is_object() || !category.contains("name")) return "a category without a name";
  }
  return {};
}

std::vector<Json> MachineScans(const FleetPlan& plan, int machine) {
  Machine grown(plan, machine);
  std::vector<Json> scans;
  for (int scan = 0; scan < plan.scans; ++scan) scans.push_back(grown.Scan(scan));
  return scans;
}

}  // namespace sysinfo::fleet
