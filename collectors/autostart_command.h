// From an autostart entry's stored text to the file Windows runs or loads for it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sysinfo {

// How an entry's stored text becomes the file that runs, as the component that starts it reads it.
enum class ImageRule {
  CommandLine,  // a command line, as CreateProcess runs it (hosts followed to what they run)
  LoadPath,  // a DLL's path, whole, as LoadLibrary takes it
  DriverPath,  // a driver's ImagePath, whole, as the kernel takes it
  Given,  // the text already names the file
  NoFile,  // the entry names no file (a class with no server); the text says why
};

// What resolving a command asks of the machine.
struct CommandContext {
  std::string windowsFolder;  // "C:\Windows", without a trailing backslash
  // Environment variables (%NAME%) replaced by their values.
  std::function<std::string(std::string_view)> expand;
  // Whether a regular file is there, by a full path taken exactly as given (trailing blanks and
  // device names included).
  std::function<bool(const std::string&)> isFile;
  bool wow32 = false;  // a 32-bit program's view: its System32 is SysWOW64
  std::vector<std::string> searchPath;  // the PATH folders, searched after the Windows ones
};

// The file an entry runs or loads, or why there is none.
struct ResolvedImage {
  std::string image;  // found, or as the text names it; empty when there is none
  std::string noFile;  // why there is none: "inline script", "a URL", ...
};

// A program's path and its arguments as one command line: a path with blanks in quotes, so that
// the command reads as the very file the path names.
std::string CommandLineOf(std::string_view path, std::string_view arguments);

// The full paths of a PATH value's folders, in order (a relative one names no fixed folder).
std::vector<std::string> PathFolders(std::string_view path);

// The file `text` runs or loads under `rule`:
// - CommandLine: environment variables expanded; a quoted program is the image; an unquoted one
//   is the text up to each blank in turn, shortest first, that names a file (".exe" added to a
//   name without an extension), so a planted "C:\Program.exe" is what shows; a bare name looked
//   for in System32, the Windows folder's System, the Windows folder, then the PATH. The hosts
//   cmd (and start), rundll32, regsvr32, wscript, cscript, powershell, pwsh, mshta and conhost
//   are followed, at most four deep, to what they run; a script given inline or a URL names no
//   file. When nothing is found: the first prefix with a program's extension, else the first word.
// - LoadPath: the path whole, expanded, ".dll" added to a file name without an extension, a
//   bare name searched as above.
// - DriverPath: the path whole, "\SystemRoot\", "\??\" and a relative path below the Windows
//   folder; nothing added.
// - Given: the text; NoFile: no image, the text the reason.
// NT forms ("\??\C:\", "\SystemRoot\") read as Win32 paths. In a 32-bit program's view a path
// below System32 is below SysWOW64 (but the folders the redirector leaves alone). A text is read
// up to CreateProcess's 32,767 characters.
ResolvedImage ResolveImage(std::string_view text, ImageRule rule, const CommandContext& context);

}  // namespace sysinfo
