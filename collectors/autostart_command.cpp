// Stored commands resolved to their image files: quotes, arguments, NT forms, hosts.
#include "collectors/autostart_command.h"

#include <array>
#include <optional>

#include "base/text.h"

namespace sysinfo {
namespace {

// A host that runs another file, and how its arguments name that file.
enum class HostRule { Rundll32, Cmd, Script, PowerShell, Mshta };

struct Host {
  std::string_view name;  // the image's file name without ".exe"
  HostRule rule;
};

constexpr std::array<Host, 8> kHosts{{
    {"rundll32", HostRule::Rundll32},
    {"cmd", HostRule::Cmd},
    {"wscript", HostRule::Script},
    {"cscript", HostRule::Script},
    {"regsvr32", HostRule::Script},
    {"powershell", HostRule::PowerShell},
    {"pwsh", HostRule::PowerShell},
    {"mshta", HostRule::Mshta},
}};

// Extensions of files Windows runs or loads, for a path named by a command that names no file.
constexpr std::array<std::string_view, 16> kProgramExtensions{
    ".exe", ".com", ".bat", ".cmd", ".dll", ".sys", ".scr", ".cpl",
    ".ocx", ".pif", ".vbs", ".vbe", ".js",  ".jse", ".wsf", ".ps1"};

// A command runs hosts within hosts only so deep ("cmd /c cmd /c ..." repeated in a value).
constexpr int kMaxHostDepth = 4;
// An unquoted command is tried at most at this many blanks, however many it holds.
constexpr int kMaxPrefixes = 64;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view FileName(std::string_view path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool HasExtension(std::string_view path) {
  return FileName(path).find('.') != std::string_view::npos;
}

bool HasProgramExtension(std::string_view path) {
  for (std::string_view extension : kProgramExtensions) {
    if (EndsWithIgnoreCase(path, extension)) return true;
  }
  return false;
}

// The next argument (its quotes kept), with `rest` moved past it.
std::string_view NextToken(std::string_view& rest) {
  rest = TrimBlanks(rest);
  std::size_t end = 0;
  bool quoted = false;
  while (end < rest.size() && (quoted || !IsBlank(rest[end]))) {
    if (rest[end] == '"') quoted = !quoted;
    ++end;
  }
  const std::string_view token = rest.substr(0, end);
  rest.remove_prefix(end);
  return token;
}

std::string_view Unquoted(std::string_view token) {
  if (!token.empty() && token.front() == '"') token.remove_prefix(1);
  if (!token.empty() && token.back() == '"') token.remove_suffix(1);
  return token;
}

bool IsSwitch(std::string_view token) {
  return !token.empty() && (token.front() == '/' || token.front() == '-');
}

class Resolver {
 public:
  explicit Resolver(const CommandContext& context) : context_(context) {}

  std::string Resolve(std::string_view command, int depth) const {
    std::string_view rest = TrimBlanks(command);
    std::string image = SplitImage(rest);
    if (depth < kMaxHostDepth) {
      if (const auto target = HostTarget(image, rest)) {
        // A bare word that names no file is the host's own command ("cmd /c dir").
        std::string followed = Resolve(*target, depth + 1);
        if (followed.find('\\') != std::string::npos || context_.isFile(followed)) return followed;
      }
    }
    return image;
  }

 private:
  // A path as Win32 names it: the NT forms turned round, a path below the Windows folder made
  // whole. A bare name and a full path are left as they are.
  std::string Win32Path(std::string_view path) const {
    const std::string& windows = context_.windowsFolder;
    if (StartsWithIgnoreCase(path, "\\??\\")) return std::string(path.substr(4));
    if (StartsWithIgnoreCase(path, "\\SystemRoot\\")) return windows + std::string(path.substr(11));
    if (StartsWithIgnoreCase(path, "SystemRoot\\")) return windows + std::string(path.substr(10));
    if (path.size() >= 2 && path[1] == ':') return std::string(path);
    if (StartsWithIgnoreCase(path, "\\\\")) return std::string(path);
    // "\Windows\..." is on the Windows folder's drive; "system32\drivers\x.sys" (a driver's image
    // path) is below the Windows folder, where the kernel looks for it.
    if (!path.empty() && path.front() == '\\') return windows.substr(0, 2) + std::string(path);
    if (path.find('\\') != std::string_view::npos) return windows + "\\" + std::string(path);
    return std::string(path);
  }

  // The file a name stands for, when there is one: as given, or with ".exe" added when it has
  // no extension; a bare name in System32, then in the Windows folder.
  std::optional<std::string> Locate(std::string_view name) const {
    const std::string path = Win32Path(name);
    const bool bare = path.find_first_of("\\/:") == std::string::npos;
    const std::string folders[] = {context_.windowsFolder + "\\System32\\",
                                   context_.windowsFolder + "\\"};
    for (const std::string& folder : folders) {
      const std::string full = bare ? folder + path : path;
      if (context_.isFile(full)) return full;
      if (!HasExtension(full) && context_.isFile(full + ".exe")) return full + ".exe";
      if (!bare) break;
    }
    return std::nullopt;
  }

  // Takes the image off the front of `rest`, leaving its arguments.
  std::string SplitImage(std::string_view& rest) const {
    if (!rest.empty() && rest.front() == '"') {
      const auto close = rest.find('"', 1);
      const std::string_view quoted = rest.substr(
          1, close == std::string_view::npos ? std::string_view::npos : close - 1);
      rest.remove_prefix(close == std::string_view::npos ? rest.size() : close + 1);
      return Locate(quoted).value_or(Win32Path(quoted));
    }
    // Unquoted, as CreateProcess reads it: each prefix ending at a blank in turn, shortest first.
    std::optional<std::size_t> named;
    int tried = 0;
    for (std::size_t end = 0; end <= rest.size() && tried < kMaxPrefixes; ++end) {
      if (end < rest.size() && !IsBlank(rest[end])) continue;
      if (end == 0 || IsBlank(rest[end - 1])) continue;
      ++tried;
      const std::string_view prefix = rest.substr(0, end);
      if (auto found = Locate(prefix)) {
        rest.remove_prefix(end);
        return *found;
      }
      if (!named && HasProgramExtension(prefix)) named = end;
    }
    const std::size_t end = named.value_or(std::min(rest.find_first_of(" \t"), rest.size()));
    const std::string image = Win32Path(rest.substr(0, end));
    rest.remove_prefix(end);
    return image;
  }

  // The command a host runs, when the image is a host that names one.
  static std::optional<std::string> HostTarget(std::string_view image, std::string_view args) {
    std::string_view name = FileName(image);
    if (EndsWithIgnoreCase(name, ".exe")) name.remove_suffix(4);
    for (const Host& host : kHosts) {
      if (!EqualsIgnoreCase(name, host.name)) continue;
      switch (host.rule) {
        case HostRule::Rundll32: return RundllTarget(args);
        case HostRule::Cmd: return CmdTarget(args);
        case HostRule::Script: return FirstArgument(args);
        case HostRule::PowerShell: return PowerShellTarget(args);
        case HostRule::Mshta: return MshtaTarget(args);
      }
    }
    return std::nullopt;
  }

  // "rundll32 C:\x.dll,Entry" or "rundll32 "C:\a b\x.dll",Entry": the DLL before the comma.
  static std::optional<std::string> RundllTarget(std::string_view args) {
    args = TrimBlanks(args);
    if (!args.empty() && args.front() == '"') {
      const auto close = args.find('"', 1);
      if (close == std::string_view::npos) return std::nullopt;
      return std::string(args.substr(0, close + 1));
    }
    const std::string_view dll = args.substr(0, args.find_first_of(", \t"));
    if (dll.empty()) return std::nullopt;
    std::string quoted(1, '"');
    quoted.append(dll).push_back('"');
    return quoted;
  }

  // "cmd /d /c "C:\x.cmd"", "cmd /c start "" /min C:\x.exe": the command after /c or /k.
  static std::optional<std::string> CmdTarget(std::string_view args) {
    for (std::string_view rest = args;;) {
      const std::string_view token = NextToken(rest);
      if (!IsSwitch(token)) return std::nullopt;
      if (StartsWithIgnoreCase(token, "/c") || StartsWithIgnoreCase(token, "/k")) {
        // What follows the switch, also when written against it ("/c"C:\x.cmd"").
        const char* after = token.data() + 2;
        std::string_view command = TrimBlanks(
            std::string_view(after, static_cast<std::size_t>(rest.data() + rest.size() - after)));
        // cmd takes off one pair of quotes around the whole command ("cmd /c ""a b.exe" x"").
        if (command.size() >= 2 && command[0] == '"' && command[1] == '"') command.remove_prefix(1);
        return StartTarget(command);
      }
    }
  }

  // "start "title" /min /d C:\dir C:\x.exe": the program; any other command as it is.
  static std::string StartTarget(std::string_view command) {
    std::string_view rest = command;
    if (!EqualsIgnoreCase(NextToken(rest), "start")) return std::string(command);
    for (bool first = true;; first = false) {
      std::string_view after = rest;
      const std::string_view token = NextToken(after);
      const bool title = first && !token.empty() && token.front() == '"';
      if (!title && !IsSwitch(token)) return std::string(TrimBlanks(rest));
      if (EqualsIgnoreCase(token, "/d")) NextToken(after);  // the folder it starts in
      rest = after;
    }
  }

  // The first argument that is not a switch, with everything after it.
  static std::optional<std::string> FirstArgument(std::string_view args) {
    for (std::string_view rest = args;;) {
      const std::string_view before = TrimBlanks(rest);
      const std::string_view token = NextToken(rest);
      if (token.empty()) return std::nullopt;
      if (!IsSwitch(token)) return std::string(before);
    }
  }

  // "powershell -ExecutionPolicy Bypass -File "C:\a b.ps1" -x": the script after -File.
  static std::optional<std::string> PowerShellTarget(std::string_view args) {
    for (std::string_view rest = args;;) {
      const std::string_view token = NextToken(rest);
      if (token.empty()) return std::nullopt;
      if (EqualsIgnoreCase(token, "-file") || EqualsIgnoreCase(token, "-f") ||
          EqualsIgnoreCase(token, "/file")) {
        return std::string(TrimBlanks(rest));
      }
    }
  }

  // "mshta C:\x.hta": the file; a URL or inline script ("vbscript:...") names none.
  static std::optional<std::string> MshtaTarget(std::string_view args) {
    auto target = FirstArgument(args);
    if (!target) return target;
    const std::string_view whole = *target;
    const std::string_view first = Unquoted(whole.substr(0, whole.find_first_of(" \t")));
    const auto colon = first.find(':');
    if (colon != std::string_view::npos && colon > 1) return std::nullopt;
    return target;
  }

  const CommandContext& context_;
};

}  // namespace

std::string CommandLineOf(std::string_view path, std::string_view arguments) {
  const bool quote = path.find(' ') != std::string_view::npos && !path.starts_with('"');
  std::string command = quote ? "\"" + std::string(path) + "\"" : std::string(path);
  if (!arguments.empty()) command += " " + std::string(arguments);
  return command;
}

std::string ResolveCommandImage(std::string_view command, const CommandContext& context) {
  const std::string expanded = context.expand ? context.expand(command) : std::string(command);
  return Resolver(context).Resolve(expanded, 0);
}

}  // namespace sysinfo
