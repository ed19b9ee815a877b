// One entry planted in each family's place, as the fake registry and Wine's real one both take it:
// each row a value to write; rows with a family name the entry it must give. In the texts %T is a
// program, %D a DLL, %I the run's own number (so a real registry's own keys are never touched).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/registry.h"

namespace sysinfo::testing {

struct Plant {
  std::string_view family;  // empty: a value the next entry needs (a class's server)
  RegistryRoot root;
  std::string_view key;
  std::string_view value;
  std::uint32_t type;
  // A number for kRegDword; strings parted by "|" for kRegMultiSz; for kRegBinary a Winsock
  // catalog entry's path, which the entry holds as ANSI text at its start.
  std::string_view data;
  std::string_view name = {};  // the entry's name
  std::string_view image = {};  // "%T", "%D", or "" for an entry that names no file
};

inline constexpr std::string_view kPlantClass = "{5A1E0000-0000-0000-0000-00000000C1A5}";

inline constexpr auto kPlants = std::to_array<Plant>({
    {"Logon", RegistryRoot::LocalMachine,
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices", "P%I", kRegSz, "\"%T\" /x", "P%I",
     "%T"},
    {"Logon", RegistryRoot::CurrentUser, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
     "Load", kRegSz, "%T", "Load", "%T"},
    {"Logon", RegistryRoot::LocalMachine,
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx\\P%I\\Depend", "1", kRegSz, "%D",
     "P%I\\Depend\\1", "%D"},
    {"Logon", RegistryRoot::LocalMachine,
     "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Terminal Server\\Install\\Software\\"
     "Microsoft\\Windows\\CurrentVersion\\Run",
     "Q%I", kRegSz, "%T", "Q%I", "%T"},
    {"Boot Execute", RegistryRoot::LocalMachine,
     "SYSTEM\\CurrentControlSet\\Control\\Session Manager", "SetupExecute", kRegMultiSz, "%T",
     "SetupExecute", "%T"},
    {"Winlogon", RegistryRoot::LocalMachine,
     "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify\\P%I", "DllName", kRegSz,
     "%D", "P%I", "%D"},
    {"Winlogon", RegistryRoot::CurrentUser, "Environment", "UserInitMprLogonScript", kRegSz, "%T",
     "UserInitMprLogonScript", "%T"},
    {"Command Processor", RegistryRoot::CurrentUser, "Software\\Microsoft\\Command Processor",
     "AutoRun", kRegSz, "\"%T\" /q", "AutoRun", "%T"},
    {"AppInit", RegistryRoot::LocalMachine,
     "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\AppCertDlls", "P%I", kRegSz, "%D", "P%I",
     "%D"},
    {"KnownDLLs", RegistryRoot::LocalMachine,
     "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\KnownDLLs", "P%I", kRegSz, "%D", "P%I",
     "%D"},
    {"Drivers", RegistryRoot::LocalMachine,
     "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Font Drivers", "P%I", kRegSz, "%D", "P%I",
     "%D"},
    // A per-user class behind an Explorer overlay, and a machine class behind a browser helper.
    {{},
     RegistryRoot::CurrentUser,
     "Software\\Classes\\CLSID\\{5A1E0000-0000-0000-0000-00000000C1A5}\\InprocServer32",
     "",
     kRegSz,
     "%D"},
    {"Explorer", RegistryRoot::CurrentUser,
     "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers\\P%I", "",
     kRegSz, kPlantClass, "P%I {5A1E0000-0000-0000-0000-00000000C1A5}", "%D"},
    {{},
     RegistryRoot::LocalMachine,
     "SOFTWARE\\Classes\\CLSID\\{5A1E0000-0000-0000-0000-00000000C1A6}\\LocalServer32",
     "",
     kRegSz,
     "\"%T\" -Embedding"},
    {"Internet Explorer", RegistryRoot::LocalMachine,
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\"
     "{5A1E0000-0000-0000-0000-00000000C1A6}",
     "", kRegSz, "helper", "{5A1E0000-0000-0000-0000-00000000C1A6}", "%T"},
    {"Internet Explorer", RegistryRoot::LocalMachine,
     "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar", "{5A1E0000-0000-0000-0000-00000000C1A7}",
     kRegSz, "", "{5A1E0000-0000-0000-0000-00000000C1A7}", ""},
    {"LSA", RegistryRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Lsa\\OSConfig",
     "Security Packages", kRegMultiSz, "%D", "Security Packages", "%D"},
    {"Print Monitors", RegistryRoot::LocalMachine,
     "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\P%I", "Driver", kRegSz, "%D", "P%I",
     "%D"},
    {"Winsock", RegistryRoot::LocalMachine,
     "SYSTEM\\CurrentControlSet\\Services\\WinSock2\\Parameters\\NameSpace_Catalog5\\"
     "Catalog_Entries64\\P%I",
     "LibraryPath", kRegSz, "%D", "P%I", "%D"},
    {"Winsock", RegistryRoot::LocalMachine,
     "SYSTEM\\CurrentControlSet\\Services\\WinSock2\\Parameters\\Protocol_Catalog9\\"
     "Catalog_Entries64\\Q%I",
     "PackedCatalogItem", kRegBinary, "%D", "Q%I", "%D"},
    {"Time Providers", RegistryRoot::LocalMachine,
     "SYSTEM\\CurrentControlSet\\Services\\W32Time\\TimeProviders\\P%I", "DllName", kRegSz, "%D",
     "P%I", "%D"},
    {"Netsh", RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\NetSh", "P%I", kRegSz, "%D", "P%I",
     "%D"},
    {"Credential Providers", RegistryRoot::LocalMachine,
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Authentication\\Credential Providers\\"
     "{5A1E0000-0000-0000-0000-00000000C1A6}",
     "", kRegSz, "provider", "{5A1E0000-0000-0000-0000-00000000C1A6}", "%T"},
    // An Office add-in: its ProgID names a per-user class, whose server is the DLL.
    {{},
     RegistryRoot::CurrentUser,
     "Software\\Classes\\Sysinfo.P%I\\CLSID",
     "",
     kRegSz,
     kPlantClass},
    {"Office", RegistryRoot::CurrentUser, "Software\\Microsoft\\Office\\Word\\Addins\\Sysinfo.P%I",
     "LoadBehavior", kRegDword, "3", "Sysinfo.P%I", "%D"},
    {"Codecs", RegistryRoot::LocalMachine,
     "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32", "msacm.p%I", kRegSz, "%D",
     "msacm.p%I", "%D"},
    {"Office", RegistryRoot::CurrentUser, "Software\\Microsoft\\Office test\\Special\\Perf", "",
     kRegSz, "%D", "(Default)", "%D"},
    {"Screen Saver", RegistryRoot::CurrentUser, "Control Panel\\Desktop", "SCRNSAVE.EXE", kRegSz,
     "%T", "SCRNSAVE.EXE", "%T"},
    {"Accessibility", RegistryRoot::LocalMachine,
     "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Accessibility\\ATs\\P%I", "StartExe", kRegSz,
     "%T", "P%I", "%T"},
    {{},
     RegistryRoot::CurrentUser,
     "Software\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\Scripts\\Logon\\P%I\\0",
     "Parameters",
     kRegSz,
     "-q"},
    {"Logon Scripts", RegistryRoot::CurrentUser,
     "Software\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\Scripts\\Logon\\P%I\\0", "Script",
     kRegSz, "%T", "P%I\\0", "%T"},
    // A per-user class shadowing a machine-wide one, and a per-user type library.
    {{},
     RegistryRoot::LocalMachine,
     "SOFTWARE\\Classes\\CLSID\\{5A1E0000-0000-0000-0000-00000000C1A8}\\InprocServer32",
     "",
     kRegSz,
     "C:\\Windows\\System32\\ole32.dll"},
    {"COM Hijacks", RegistryRoot::CurrentUser,
     "Software\\Classes\\CLSID\\{5A1E0000-0000-0000-0000-00000000C1A8}\\InprocServer32", "", kRegSz,
     "%D", "InprocServer32", "%D"},
    {"COM Hijacks", RegistryRoot::CurrentUser,
     "Software\\Classes\\TypeLib\\{5A1E0000-0000-0000-0000-00000000C1A9}\\1.0\\0\\win64", "",
     kRegSz, "%D", "1.0\\0\\win64", "%D"},
    {"AppCompat", RegistryRoot::LocalMachine,
     "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\InstalledSDB\\P%I",
     "DatabasePath", kRegSz, "%D", "P%I", "%D"},
    // A shared service: its host program and, beside it, the DLL it runs and its failure program.
    {{},
     RegistryRoot::LocalMachine,
     "SYSTEM\\CurrentControlSet\\Services\\SysinfoP%I",
     "Start",
     kRegDword,
     "3"},
    {{},
     RegistryRoot::LocalMachine,
     "SYSTEM\\CurrentControlSet\\Services\\SysinfoP%I",
     "Type",
     kRegDword,
     "32"},
    {{},
     RegistryRoot::LocalMachine,
     "SYSTEM\\CurrentControlSet\\Services\\SysinfoP%I",
     "ImagePath",
     kRegSz,
     "%T -k group"},
    {"Services", RegistryRoot::LocalMachine,
     "SYSTEM\\CurrentControlSet\\Services\\SysinfoP%I\\Parameters", "ServiceDll", kRegSz, "%D",
     "SysinfoP%I", "%D"},
    {"Services", RegistryRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Services\\SysinfoP%I",
     "FailureCommand", kRegSz, "\"%T\" /restart", "SysinfoP%I (failure command)", "%T"},
    {{},
     RegistryRoot::LocalMachine,
     "SYSTEM\\CurrentControlSet\\Control\\NetworkProvider\\Order",
     "ProviderOrder",
     kRegSz,
     "SysinfoP%I"},
    {"Network Providers", RegistryRoot::LocalMachine,
     "SYSTEM\\CurrentControlSet\\Services\\SysinfoP%I\\NetworkProvider", "ProviderPath", kRegSz,
     "%D", "SysinfoP%I", "%D"},
});

// A Winsock catalog entry's size: the path's field and the protocol's description after it.
inline constexpr std::size_t kPlantCatalogItemSize = 260 + 628;

// The plant's text with the run's program, DLL and number put in.
inline std::string PlantText(std::string_view text, std::string_view program, std::string_view dll,
                             std::string_view id) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() &&
        std::string_view("TDI").find(text[i + 1]) != std::string_view::npos) {
      out += text[i + 1] == 'T' ? program : text[i + 1] == 'D' ? dll : id;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace sysinfo::testing
