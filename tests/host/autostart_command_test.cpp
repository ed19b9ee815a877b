// Stored texts of real-world shapes resolved to the file Windows runs or loads for them.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/text.h"
#include "collectors/autostart_command.h"

namespace sysinfo {
namespace {

// The files the fake machine has; names compare as Windows compares them.
const std::set<std::string> kFiles{
    "C:\\Program Files\\Vendor\\app.exe",
    "C:\\Program Files\\Other.exe",
    "C:\\Program",  // a file without an extension: CreateProcess never runs it for "C:\Program"
    "C:\\My.exe",
    "C:\\My Tools\\run.bat",
    "C:\\Windows\\explorer.exe",
    "C:\\Windows\\System\\oldtool.exe",
    "C:\\Windows\\System32\\SecurityHealthSystray.exe",
    "C:\\Windows\\System32\\svchost.exe",
    "C:\\Windows\\System32\\notepad.exe",
    "C:\\Windows\\System32\\rundll32.exe",
    "C:\\Windows\\System32\\shell32.dll",
    "C:\\Windows\\System32\\cmd.exe",
    "C:\\Windows\\System32\\scrobj.dll",
    "C:\\Windows\\System32\\regsvr32.exe",
    "C:\\Windows\\System32\\wscript.exe",
    "C:\\Windows\\System32\\cscript.exe",
    "C:\\Windows\\System32\\mshta.exe",
    "C:\\Windows\\System32\\conhost.exe",
    "C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe",
    "C:\\Windows\\SysWOW64\\notepad.exe",
    "C:\\Windows\\SysWOW64\\shell32.dll",
    "C:\\Windows\\SysWOW64\\legacy.dll",
    "C:\\PathDir\\pathtool.exe",
    "C:\\Tools\\tray.exe",
    "C:\\Tools\\app.hta",
    "C:\\Tools\\dotted.",
    "C:\\Tools\\name.exe ",
    "C:\\Tools\\con.exe",
    "C:\\Scripts\\logon.cmd",
    "C:\\Scripts\\inventory.js",
    "C:\\ProgramData\\up date.ps1",
    "C:\\Users\\me\\AppData\\Roaming\\a b\\e.dll",
    "C:\\Users\\me\\AppData\\Roaming\\x y\\job.vbs"};

bool IsFile(const std::string& path) {
  for (const std::string& file : kFiles) {
    if (EqualsFoldingCase(file, path)) return true;
  }
  return false;
}

std::string Expand(std::string_view text) {
  std::string expanded(text);
  for (auto [name, value] :
       {std::pair{"%SystemRoot%", "C:\\Windows"}, {"%ProgramFiles%", "C:\\Program Files"}}) {
    for (auto at = expanded.find(name); at != std::string::npos; at = expanded.find(name)) {
      expanded.replace(at, std::string_view(name).size(), value);
    }
  }
  return expanded;
}

CommandContext Context(bool wow32) {
  return {"C:\\Windows", Expand, IsFile, wow32, PathFolders("relative;\"C:\\PathDir\\\";")};
}

constexpr ImageRule kCommand = ImageRule::CommandLine;
constexpr ImageRule kLoad = ImageRule::LoadPath;
constexpr ImageRule kDriver = ImageRule::DriverPath;
constexpr bool k32 = true;
constexpr std::string_view kInline = "inline script";

struct Row {
  std::string_view text;
  ImageRule rule;
  std::string_view image;
  std::string_view noFile = "";
  bool wow32 = false;
};

TEST(AutostartCommand, ResolvesWhatEachComponentRunsOrLoads) {
  // clang-format off
  const Row kRows[] = {
      // CreateProcess: quoted, or the shortest prefix at a blank that names a file.
      {"\"%ProgramFiles%\\Vendor\\app.exe\" /background", kCommand, "C:\\Program Files\\Vendor\\app.exe"},
      {"C:\\Program Files\\Vendor\\app -x", kCommand, "C:\\Program Files\\Vendor\\app.exe"},
      {"C:\\Program Files\\Other App\\svc.exe -k", kCommand, "C:\\Program Files\\Other.exe"},
      {"%SystemRoot%\\system32\\SecurityHealthSystray.exe", kCommand, "C:\\Windows\\system32\\SecurityHealthSystray.exe"},
      {"\\SystemRoot\\System32\\svchost.exe -k netsvcs", kCommand, "C:\\Windows\\System32\\svchost.exe"},
      {"System32\\svchost.exe -k x", kCommand, "C:\\Windows\\System32\\svchost.exe"},
      {"\\??\\C:\\Tools\\tray.exe", kCommand, "C:\\Tools\\tray.exe"},
      {"\\Windows\\explorer.exe", kCommand, "C:\\Windows\\explorer.exe"},
      {"explorer.exe", kCommand, "C:\\Windows\\explorer.exe"},
      {"notepad", kCommand, "C:\\Windows\\System32\\notepad.exe"},
      {"oldtool -x", kCommand, "C:\\Windows\\System\\oldtool.exe"},
      {"pathtool /q", kCommand, "C:\\PathDir\\pathtool.exe"},
      {"C:\\Tools\\dotted. -x", kCommand, "C:\\Tools\\dotted."},
      {"\"C:\\Tools\\name.exe \" -q", kCommand, "C:\\Tools\\name.exe "},
      {"C:\\Tools\\con.exe", kCommand, "C:\\Tools\\con.exe"},
      {"\"C:\\Unclosed\\path.exe -x", kCommand, "C:\\Unclosed\\path.exe -x"},
      {"C:\\Missing Dir\\gone.exe /x", kCommand, "C:\\Missing Dir\\gone.exe"},
      {"C:\\Missing\\tool -x", kCommand, "C:\\Missing\\tool"},
      {"  \t ", kCommand, ""},
      // Hosts, with their switches, followed to what they run.
      {"rundll32.exe shell32,Control_RunDLL desk.cpl", kCommand, "C:\\Windows\\System32\\shell32.dll"},
      {"rundll32 \"C:\\Users\\me\\AppData\\Roaming\\a b\\e.dll\",Start", kCommand, "C:\\Users\\me\\AppData\\Roaming\\a b\\e.dll"},
      {"C:\\Windows\\System32\\rundll32.exe C:\\ProgramData\\gone.dll,#1", kCommand, "C:\\ProgramData\\gone.dll"},
      {"rundll32.exe javascript:\"\\..\\mshtml,RunHTMLApplication \";alert(1)", kCommand, "", kInline},
      {"rundll32.exe", kCommand, "C:\\Windows\\System32\\rundll32.exe"},
      {"C:\\Windows\\SysWOW64\\rundll32.exe shell32.dll,Entry", kCommand, "C:\\Windows\\SysWOW64\\shell32.dll"},
      {"cmd /c \"C:\\Scripts\\logon.cmd\"", kCommand, "C:\\Scripts\\logon.cmd"},
      {"C:\\Windows\\System32\\cmd.exe /C \"\"C:\\My Tools\\run.bat\" arg\"", kCommand, "C:\\My Tools\\run.bat"},
      {"cmd /c \"C:\\My Tools\\run.bat\"", kCommand, "C:\\My Tools\\run.bat"},  // quotes kept
      {"cmd /s /c \"C:\\My Tools\\run.bat\"", kCommand, "C:\\My.exe"},  // /s: taken off
      {"cmd /q/d/t:0a/e:on /v:off /f:on /a /u /c C:\\Tools\\tray.exe & del x", kCommand, "C:\\Tools\\tray.exe"},
      {"cmd.exe /d /c start \"\" /min /d C:\\Tools /affinity 3 /node 1 /wait \"C:\\Tools\\tray.exe\" -q", kCommand, "C:\\Tools\\tray.exe"},
      {"cmd /c start https://example.invalid/", kCommand, "", "a URL"},
      {"cmd /k dir", kCommand, "", kInline},
      {"cmd", kCommand, "C:\\Windows\\System32\\cmd.exe"},
      {"wscript.exe //B //Nologo //E:vbscript //T:30 //Job:main /x \"C:\\Users\\me\\AppData\\Roaming\\x y\\job.vbs\"", kCommand, "C:\\Users\\me\\AppData\\Roaming\\x y\\job.vbs"},
      {"cscript C:\\Scripts\\inventory.js /quiet", kCommand, "C:\\Scripts\\inventory.js"},
      {"regsvr32 /s /n /u /i:\"http://example.invalid/x y\" scrobj.dll", kCommand, "C:\\Windows\\System32\\scrobj.dll"},
      {"C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe -NoProfile -ExecutionPolicy Bypass -File \"C:\\ProgramData\\up date.ps1\" -Force", kCommand, "C:\\ProgramData\\up date.ps1"},
      {"powershell -nop -w hidden -ep Bypass -fil \"C:\\ProgramData\\up date.ps1\"", kCommand, "C:\\ProgramData\\up date.ps1"},
      {"pwsh -NoLogo -WindowStyle Hidden \"C:\\ProgramData\\up date.ps1\"", kCommand, "C:\\ProgramData\\up date.ps1"},
      {"powershell \"C:\\ProgramData\\up date.ps1\"", kCommand, "", kInline},  // a command to it
      {"powershell.exe -ex Bypass -Command \"Get-Process\"", kCommand, "", kInline},
      {"powershell -e SQBFAFgA", kCommand, "", kInline},
      {"powershell.exe -NoExit", kCommand, "", kInline},
      {"mshta.exe vbscript:Execute(\"CreateObject(\"\"x\"\")\")", kCommand, "", kInline},
      {"mshta https://example.invalid/a.hta", kCommand, "", "a URL"},
      {"mshta \"C:\\Tools\\app.hta\"", kCommand, "C:\\Tools\\app.hta"},
      {"conhost.exe --headless --width 80 cmd /c C:\\Tools\\tray.exe", kCommand, "C:\\Tools\\tray.exe"},
      {"cmd /c cmd /c cmd /c cmd /c C:\\Tools\\tray.exe", kCommand, "C:\\Tools\\tray.exe"},
      {"cmd /c cmd /c cmd /c cmd /c cmd /c C:\\Tools\\tray.exe", kCommand, "C:\\Windows\\System32\\cmd.exe"},
      // LoadLibrary: whole, ".dll" added to a name without an extension.
      {"C:\\Users\\me\\AppData\\Roaming\\a b\\e.dll", kLoad, "C:\\Users\\me\\AppData\\Roaming\\a b\\e.dll"},
      {"C:\\Users\\me\\AppData\\Roaming\\a b\\e", kLoad, "C:\\Users\\me\\AppData\\Roaming\\a b\\e.dll"},
      {"\\SystemRoot\\System32\\shell32.dll", kLoad, "C:\\Windows\\System32\\shell32.dll"},
      {"shell32", kLoad, "C:\\Windows\\System32\\shell32.dll"},
      {"gone", kLoad, "gone.dll"},
      {"C:\\Tools\\dotted.", kLoad, "C:\\Tools\\dotted."},
      // The kernel: whole, below the Windows folder, nothing added, never the 32-bit view.
      {"\\SystemRoot\\System32\\drivers\\acpi.sys", kDriver, "C:\\Windows\\System32\\drivers\\acpi.sys", "", k32},
      {"System32\\DRIVERS\\disk.sys", kDriver, "C:\\Windows\\System32\\DRIVERS\\disk.sys"},
      {"\\??\\C:\\Program Files\\Vendor\\drv", kDriver, "C:\\Program Files\\Vendor\\drv"},
      // A 32-bit program's view.
      {"C:\\WINDOWS\\SYSTEM32\\NOTEPAD.EXE", kCommand, "C:\\Windows\\SysWOW64\\NOTEPAD.EXE", "", k32},
      {"notepad", kCommand, "C:\\Windows\\SysWOW64\\notepad.exe", "", k32},
      {"C:\\Windows\\Sysnative\\notepad.exe", kCommand, "C:\\Windows\\System32\\notepad.exe", "", k32},
      {"legacy", kLoad, "C:\\Windows\\SysWOW64\\legacy.dll", "", k32},
      {"C:\\Windows\\System32\\drivers\\x.dll", kLoad, "C:\\Windows\\SysWOW64\\drivers\\x.dll", "", k32},
      {"C:\\Windows\\System32\\drivers\\etc\\x.dll", kLoad, "C:\\Windows\\System32\\drivers\\etc\\x.dll", "", k32},
      {"C:\\Windows\\System32\\spool\\drivers\\x.dll", kLoad, "C:\\Windows\\System32\\spool\\drivers\\x.dll", "", k32},
      {"C:\\Windows\\System32\\spool.dll", kLoad, "C:\\Windows\\SysWOW64\\spool.dll", "", k32},
      // As the entry says.
      {"C:\\Any\\thing.exe", ImageRule::Given, "C:\\Any\\thing.exe"},
      {"no server for the class", ImageRule::NoFile, "", "no server for the class"},
  };
  // clang-format on
  for (const Row& row : kRows) {
    const ResolvedImage resolved = ResolveImage(row.text, row.rule, Context(row.wow32));
    EXPECT_EQ(resolved.image, row.image) << row.text;
    EXPECT_EQ(resolved.noFile, row.noFile) << row.text;
  }
}

// A hostile value is read only as far as CreateProcess reads one, asking for each file once per
// blank at most, however many blanks it holds and however long their prefixes grow.
TEST(AutostartCommand, AHostileValueCostsOneTryPerBlank) {
  struct Case {
    std::string text;
    std::size_t blanks;
    std::string image;
  };
  std::string nested;
  while (nested.size() < 40'000) nested += "cmd /c ";
  const auto repeated = [](std::string_view start, std::string_view piece) {
    std::string text(start);
    while (text.size() + piece.size() <= 32'767) text += piece;
    return text;
  };
  const Case cases[] = {
      {repeated("", "a "), 16'383, "a"},
      {repeated("C:\\", "a "), 16'382, "C:\\a"},
      {repeated("C:\\", "a b\\"), 8'191, "C:\\a"},
      {repeated("\\??\\C:\\x\\", "a b\\") + " C:\\Tools\\tray.exe", 8'189, "C:\\x\\a"},
      {nested, 4, "C:\\Windows\\System32\\cmd.exe"},
  };
  for (const Case& c : cases) {
    std::size_t tries = 0;
    CommandContext context = Context(false);
    context.isFile = [&tries](const std::string& path) {
      ++tries;
      return IsFile(path);
    };
    EXPECT_EQ(ResolveImage(c.text, kCommand, context).image, c.image) << c.text.substr(0, 20);
    // A bare name is looked for in each of the four folders while it is short enough to be one.
    EXPECT_LE(tries, c.blanks + 4 * 128) << c.text.substr(0, 20);
  }
}

}  // namespace
}  // namespace sysinfo
