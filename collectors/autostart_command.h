// From a command as the registry or a task stores it to the file that command runs.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace sysinfo {

// What resolving a command asks of the machine.
struct CommandContext {
  std::string windowsFolder;  // "C:\Windows", without a trailing backslash
  // Environment variables (%NAME%) replaced by their values.
  std::function<std::string(std::string_view)> expand;
  // Whether a regular file is there, by a full path taken exactly as given (trailing blanks and
  // device names included).
  std::function<bool(const std::string&)> isFile;
};

// A program's path and its arguments as one command line: a path with blanks in quotes, so that
// the command reads as the very file the path names.
std::string CommandLineOf(std::string_view path, std::string_view arguments);

// The image file a stored command runs: environment variables expanded; quotes and arguments
// taken off; an unquoted path with blanks read as Windows reads it, the shortest prefix that
// names a file (".exe" added to a name without an extension), so a planted "C:\Program.exe" is
// what shows; the NT forms ("\??\C:\", "\SystemRoot\", "system32\drivers\") as Win32 paths; a bare
// name looked for in System32, then the Windows folder; and the hosts that run another file
// (rundll32, cmd /c and start, wscript, cscript, powershell -File, mshta, regsvr32) followed to
// that file. When no prefix names a file, the first that ends in a program's extension, else the
// first word. Empty for an empty command.
std::string ResolveCommandImage(std::string_view command, const CommandContext& context);

}  // namespace sysinfo
