// Stored autostart texts resolved to the file Windows runs or loads, read as the component that
// starts each reads it: CreateProcess, the hosts that run another file, LoadLibrary, the kernel.
#include "collectors/autostart_command.h"

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_set>

#include "base/text.h"

namespace sysinfo {
namespace {

// CreateProcess refuses a longer command line; reading no further bounds what a value can cost.
constexpr std::size_t kMaxCommandUnits = 32'767;
// No file system Windows mounts has a longer file name (one element of a path).
constexpr std::size_t kMaxNameUnits = 255;
// A command runs hosts within hosts only so deep ("cmd /c cmd /c ..." repeated in a value).
constexpr int kMaxHostDepth = 4;

// A host running a script given inline ("powershell -Command ...", "mshta vbscript:...") runs no
// file, and the host is not given in its place: its signature and digest are Microsoft's own and
// would vouch for a script that nobody signed.
constexpr std::string_view kInlineScript = "inline script";
constexpr std::string_view kUrl = "a URL";

// Extensions of files Windows runs or loads, for a command that names no file that is there.
constexpr std::array<std::string_view, 16> kProgramExtensions{
    ".exe", ".com", ".bat", ".cmd", ".dll", ".sys", ".scr", ".cpl",
    ".ocx", ".pif", ".vbs", ".vbe", ".js",  ".jse", ".wsf", ".ps1"};

// System32's folders the file-system redirector shows a 32-bit program as they are.
constexpr std::array<std::string_view, 6> kNotRedirected{"catroot",     "catroot2", "drivers\\etc",
                                                         "driverstore", "logfiles", "spool"};

enum class HostRule { Rundll32, Cmd, Script, Regsvr32, PowerShell, Pwsh, Mshta, Conhost };

struct Host {
  std::string_view name;  // the image's file name without ".exe"
  HostRule rule;
};

constexpr std::array<Host, 9> kHosts{{
    {"rundll32", HostRule::Rundll32},
    {"cmd", HostRule::Cmd},
    {"wscript", HostRule::Script},
    {"cscript", HostRule::Script},
    {"regsvr32", HostRule::Regsvr32},
    {"powershell", HostRule::PowerShell},
    {"pwsh", HostRule::Pwsh},
    {"mshta", HostRule::Mshta},
    {"conhost", HostRule::Conhost},
}};

// What a PowerShell parameter does to finding the script.
enum class PowerShellKind { File, Inline, Value, Flag };

struct PowerShellParameter {
  std::string_view name;
  std::size_t shortest;  // the fewest letters that still name it
  PowerShellKind kind;
};

// The parameters that name the script, give it inline, or take a value that is no script;
// every other one stands alone. The first whose name the switch begins wins ("-e" is
// -EncodedCommand, "-ex" -ExecutionPolicy).
constexpr std::array<PowerShellParameter, 18> kPowerShellParameters{{
    {"file", 1, PowerShellKind::File},
    {"command", 1, PowerShellKind::Inline},
    {"encodedcommand", 1, PowerShellKind::Inline},
    {"ec", 2, PowerShellKind::Inline},
    {"encodedarguments", 8, PowerShellKind::Value},
    {"ea", 2, PowerShellKind::Value},
    {"executionpolicy", 2, PowerShellKind::Value},
    {"ep", 2, PowerShellKind::Value},
    {"windowstyle", 1, PowerShellKind::Value},
    {"workingdirectory", 2, PowerShellKind::Value},
    {"wd", 2, PowerShellKind::Value},
    {"version", 1, PowerShellKind::Value},
    {"psconsolefile", 2, PowerShellKind::Value},
    {"inputformat", 3, PowerShellKind::Value},
    {"outputformat", 1, PowerShellKind::Value},
    {"configurationname", 3, PowerShellKind::Value},
    {"settingsfile", 2, PowerShellKind::Value},
    {"custompipename", 2, PowerShellKind::Value},
}};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The UTF-16 units a byte of UTF-8 adds: one for a character's first byte, two for a 4-byte one's.
std::size_t Utf16Units(char byte) {
  const auto b = static_cast<unsigned char>(byte);
  return (b & 0xC0) == 0x80 ? 0 : b >= 0xF0 ? 2 : 1;
}

std::size_t Utf16Units(std::string_view text) {
  std::size_t units = 0;
  for (char c : text) units += Utf16Units(c);
  return units;
}

// The text as far as CreateProcess would take it (cut before a character, never inside one).
std::string_view Bounded(std::string_view text) {
  std::size_t units = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    units += Utf16Units(text[at]);
    if (units > kMaxCommandUnits) return text.substr(0, at);
  }
  return text;
}

std::string_view TrimStart(std::string_view text) {
  return text.substr(std::min(text.find_first_not_of(" \t"), text.size()));
}

std::string_view FileName(std::string_view path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The file name's extension with its dot; empty when it has no dot ("x." has ".").
std::string_view Extension(std::string_view path) {
  const std::string_view name = FileName(path);
  const auto dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

bool IsProgramExtension(std::string_view extension) {
  return std::any_of(kProgramExtensions.begin(), kProgramExtensions.end(),
                     [extension](std::string_view e) { return EqualsFoldingCase(extension, e); });
}

// A name with no folder: Windows searches for it.
bool IsBare(std::string_view name) { return name.find_first_of("\\/:") == std::string_view::npos; }

// Where the part of `path` below `folder` starts, names compared as Windows compares them;
// nothing when the path is not below it.
std::optional<std::size_t> Below(std::string_view path, std::string_view folder) {
  std::size_t at = 0;
  while (!folder.empty()) {
    const std::size_t part = std::min(folder.find_first_of("\\/"), folder.size());
    const std::size_t end = path.find_first_of("\\/", at);
    if (end == std::string_view::npos ||
        !EqualsFoldingCase(path.substr(at, end - at), folder.substr(0, part))) {
      return std::nullopt;
    }
    at = end + 1;
    folder.remove_prefix(std::min(part + 1, folder.size()));
  }
  return at;
}

// The next argument as a program's arguments are split (its quotes kept), `rest` moved past it.
std::string_view NextToken(std::string_view& rest) {
  rest = TrimStart(rest);
  std::size_t end = 0;
  for (bool quoted = false; end < rest.size() && (quoted || !IsBlank(rest[end])); ++end) {
    if (rest[end] == '"') quoted = !quoted;
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

// Why an argument names no file: script given inline ("vbscript:...", "javascript:...") or a
// URL, a scheme of two letters or more before a colon where a path has its drive letter.
std::optional<ResolvedImage> NoFileIn(std::string_view argument) {
  if (StartsWithFoldingCase(argument, "javascript:") ||
      StartsWithFoldingCase(argument, "vbscript:")) {
    return ResolvedImage{"", std::string(kInlineScript)};
  }
  const auto colon = argument.find(':');
  if (colon == std::string_view::npos || colon < 2) return std::nullopt;
  const bool scheme = std::all_of(argument.begin(), argument.begin() + colon, [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
  });
  if (!scheme) return std::nullopt;
  return ResolvedImage{"", std::string(kUrl)};
}

// The first of the commands cmd runs: up to an "&", "|", "<" or ">" outside quotes and not
// escaped with "^".
std::string_view FirstCmdCommand(std::string_view command) {
  bool quoted = false;
  for (std::size_t at = 0; at < command.size(); ++at) {
    const char c = command[at];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '^') ++at;
    if (c == '&' || c == '|' || c == '<' || c == '>') return command.substr(0, at);
  }
  return command;
}

std::optional<HostRule> HostOf(std::string_view image) {
  std::string_view name = FileName(image);
  const std::string_view extension = Extension(name);
  if (EqualsFoldingCase(extension, ".exe")) name.remove_suffix(extension.size());
  for (const Host& host : kHosts) {
    if (EqualsFoldingCase(name, host.name)) return host.rule;
  }
  return std::nullopt;
}

PowerShellKind PowerShellKindOf(std::string_view token) {
  token.remove_prefix(token.starts_with("--") ? 2 : 1);
  for (const PowerShellParameter& parameter : kPowerShellParameters) {
    if (token.size() >= parameter.shortest && StartsWithFoldingCase(parameter.name, token)) {
      return parameter.kind;
    }
  }
  return PowerShellKind::Flag;
}

// What replaces the start of a path to make it whole: its first `consumed` bytes become `text`.
struct Head {
  std::string text;
  std::size_t consumed = 0;
};

// The program of a command line and the arguments after it.
struct Split {
  std::string image;
  std::string_view arguments;
};

class Resolver {
 public:
  Resolver(const CommandContext& context, bool wow32)
      : context_(context), windows_(context.windowsFolder), wow32_(wow32) {
    std::unordered_set<std::string> seen;
    auto add = [&](std::string folder) {
      if (seen.insert(FoldCase(folder)).second) folders_.push_back(std::move(folder));
    };
    add(windows_ + (wow32 ? "\\SysWOW64\\" : "\\System32\\"));
    add(windows_ + "\\System\\");
    add(windows_ + "\\");
    for (std::string_view folder : context.searchPath) {
      while (!folder.empty() && IsSeparator(folder.back())) folder.remove_suffix(1);
      if (!folder.empty()) add(FullPath(std::string(folder) + "\\"));
    }
  }

  ResolvedImage Command(std::string_view command, int depth) const {
    command = TrimBlanks(command);
    if (command.empty()) return {};
    const Split split = command.front() == '"' ? SplitQuoted(command) : SplitUnquoted(command);
    if (depth < kMaxHostDepth) {
      if (const auto rule = HostOf(split.image)) {
        // A 32-bit host (SysWOW64's) runs and loads what it names in the 32-bit view.
        const bool host32 = !wow32_ && Below(split.image, windows_ + "\\SysWOW64");
        const auto hosted = host32 ? Resolver(context_, true).Hosted(*rule, split.arguments, depth)
                                   : Hosted(*rule, split.arguments, depth);
        if (hosted) return *hosted;
      }
    }
    return {split.image, ""};
  }

  // A DLL as LoadLibrary takes it: the path whole, ".dll" added to a name without an extension.
  ResolvedImage Library(std::string_view path) const {
    if (path.empty()) return {};
    if (auto found = Locate(path, ".dll")) return {std::move(*found), ""};
    return {FullPath(path) + (Extension(path).empty() ? ".dll" : ""), ""};
  }

  // A driver's image path as the kernel takes it: a relative path is below the Windows folder.
  ResolvedImage Driver(std::string_view path) const {
    if (path.empty()) return {};
    Head head;
    if (auto nt = NtHead(path)) {
      head = std::move(*nt);
    } else if (!IsSeparator(path.front()) && !(path.size() >= 2 && path[1] == ':')) {
      head = {windows_ + "\\", 0};
    }
    return {head.text + std::string(path.substr(head.consumed)), ""};
  }

 private:
  // The NT forms of a path's start as Win32 names them.
  std::optional<Head> NtHead(std::string_view path) const {
    if (auto below = Below(path, "\\??\\UNC")) return Head{"\\\\", *below};
    if (auto below = Below(path, "\\??")) return Head{"", *below};
    if (auto below = Below(path, "\\SystemRoot")) return Head{windows_ + "\\", *below};
    return std::nullopt;
  }

  // A path made whole as Win32 reads it: the NT forms turned round; a path rooted on no drive is
  // on the Windows folder's; a relative one ("system32\x.exe", a service's image path) is below
  // the Windows folder. A bare name and a full path stay as they are.
  Head Win32Head(std::string_view path) const {
    if (auto nt = NtHead(path)) return *nt;
    if (auto below = Below(path, "SystemRoot")) return {windows_ + "\\", *below};
    if (IsBare(path) || (path.size() >= 2 && path[1] == ':') || path.starts_with("\\\\")) return {};
    if (IsSeparator(path.front())) return {windows_.substr(0, 2), 0};
    return {windows_ + "\\", 0};
  }

  // A 32-bit program's view of a whole path: System32 is SysWOW64 (but the folders left alone),
  // and Sysnative the real System32.
  Head ViewHead(std::string_view path) const {
    if (!wow32_) return {};
    if (auto below = Below(path, windows_ + "\\Sysnative"))
      return {windows_ + "\\System32\\", *below};
    const auto below = Below(path, windows_ + "\\System32");
    if (!below) return {};
    const std::string_view inside = path.substr(*below);
    for (std::string_view folder : kNotRedirected) {
      if (Below(inside, folder)) return {};
    }
    return {windows_ + "\\SysWOW64\\", *below};
  }

  // Both, as one change of the path's start; the rest of the path is never touched, so a longer
  // and longer prefix of a command has the same head.
  Head PathHead(std::string_view path) const {
    Head win = Win32Head(path);
    const Head view = ViewHead(win.text + std::string(path.substr(win.consumed)));
    if (view.consumed <= win.text.size()) {
      return {view.text + win.text.substr(view.consumed), win.consumed};
    }
    return {view.text, win.consumed + view.consumed - win.text.size()};
  }

  std::string FullPath(std::string_view path) const {
    const Head head = PathHead(path);
    return head.text + std::string(path.substr(head.consumed));
  }

  // A bare name in the folders Windows searches, `extension` added.
  std::optional<std::string> Search(std::string_view name, std::string_view extension) const {
    if (Utf16Units(name) + extension.size() > kMaxNameUnits) return std::nullopt;
    for (const std::string& folder : folders_) {
      std::string path = folder + std::string(name) + std::string(extension);
      if (context_.isFile(path)) return path;
    }
    return std::nullopt;
  }

  // The file a name stands for when it is there: a bare name searched, a path made whole;
  // `extension` added to a file name without one.
  std::optional<std::string> Locate(std::string_view name, std::string_view extension) const {
    const std::string_view added = Extension(name).empty() ? extension : "";
    if (IsBare(name)) return Search(name, added);
    std::string path = FullPath(name) + std::string(added);
    if (!context_.isFile(path)) return std::nullopt;
    return path;
  }

  // A file a host opens by the name it is given (a script, a page).
  ResolvedImage File(std::string_view name) const {
    if (name.empty()) return {};
    return {Locate(name, "").value_or(FullPath(name)), ""};
  }

  Split SplitQuoted(std::string_view command) const {
    const auto close = command.find('"', 1);
    const std::string_view quoted = command.substr(
        1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    command.remove_prefix(close == std::string_view::npos ? command.size() : close + 1);
    if (quoted.empty()) return {"", command};
    return {Locate(quoted, ".exe").value_or(FullPath(quoted)), command};
  }

  // An unquoted program as CreateProcess reads it: the text up to each blank in turn, shortest
  // first, is the program when it names a file, so a planted "C:\Program.exe" is what runs. A
  // name without an extension is tried only with ".exe" (a "C:\Program" folder is no program),
  // one ending in "." as it is. Each prefix is the last and a little more, so the path tried
  // grows in place: a value of thousands of blanks costs one pass and one try per blank.
  Split SplitUnquoted(std::string_view command) const {
    const std::size_t firstSeparator = std::min(command.find_first_of("\\/:"), command.size());
    const Head head = PathHead(command);
    std::string path = head.text;  // the path of the prefix up to `built`
    std::size_t built = head.consumed;
    std::size_t nameUnits = 0;  // of the last element of the prefix
    std::size_t dot = std::string_view::npos;  // the last dot of that element
    std::optional<std::size_t> named;  // the first prefix ending in a program's extension
    for (std::size_t end = 0; end <= command.size(); ++end) {
      const bool atBlank = end == command.size() || IsBlank(command[end]);
      if (atBlank && end > 0 && !IsBlank(command[end - 1])) {
        const bool hasDot = dot != std::string_view::npos;
        const std::string_view extension = hasDot ? "" : ".exe";
        std::optional<std::string> found;
        if (nameUnits + extension.size() > kMaxNameUnits) {
          // No file has so long a name.
        } else if (end <= firstSeparator) {
          found = Search(command.substr(0, end), extension);
        } else if (end < head.consumed) {
          found = Locate(command.substr(0, end), ".exe");
        } else {
          path.append(command.substr(built, end - built));
          built = end;
          path.append(extension);
          if (context_.isFile(path)) found = path;
          path.resize(path.size() - extension.size());
        }
        if (found) return {std::move(*found), command.substr(end)};
        if (!named && hasDot && end - dot <= 16 &&
            IsProgramExtension(command.substr(dot, end - dot)))
          named = end;
      }
      if (end == command.size()) break;
      if (IsSeparator(command[end])) {
        nameUnits = 0;
        dot = std::string_view::npos;
      } else {
        nameUnits += Utf16Units(command[end]);
        if (command[end] == '.') dot = end;
      }
    }
    const std::size_t end = named.value_or(std::min(command.find_first_of(" \t"), command.size()));
    return {FullPath(command.substr(0, end)), command.substr(end)};
  }

  std::optional<ResolvedImage> Hosted(HostRule rule, std::string_view arguments, int depth) const {
    switch (rule) {
      case HostRule::Rundll32: return Rundll32(arguments);
      case HostRule::Cmd: return Cmd(arguments, depth);
      case HostRule::Script: return FirstPlain(arguments, "/", false);
      case HostRule::Regsvr32: return FirstPlain(arguments, "/-", true);
      case HostRule::PowerShell: return PowerShell(arguments, false);
      case HostRule::Pwsh: return PowerShell(arguments, true);
      case HostRule::Mshta: return Mshta(arguments);
      case HostRule::Conhost: return Conhost(arguments, depth);
    }
    return std::nullopt;
  }

  // "rundll32 shell32.dll,Control_RunDLL x", "rundll32 "C:\a b\x.dll",#1": the DLL before the
  // comma (or blank).
  std::optional<ResolvedImage> Rundll32(std::string_view arguments) const {
    arguments = TrimStart(arguments);
    if (StartsWithFoldingCase(Unquoted(arguments), "javascript:")) {
      return ResolvedImage{"", std::string(kInlineScript)};
    }
    std::string_view dll = arguments.substr(0, arguments.find_first_of(", \t"));
    if (arguments.starts_with('"')) dll = arguments.substr(1, arguments.find('"', 1) - 1);
    if (dll.empty()) return std::nullopt;
    return Library(dll);
  }

  // The first argument not starting with one of `switches` (wscript's "//B", "//E:vbscript",
  // "/x"; regsvr32's "/s", "/i:arg", "-u"): the script, or with `library` the DLL.
  std::optional<ResolvedImage> FirstPlain(std::string_view arguments, std::string_view switches,
                                          bool library) const {
    for (std::string_view rest = arguments;;) {
      const std::string_view token = NextToken(rest);
      if (token.empty()) return std::nullopt;
      if (switches.find(token.front()) != std::string_view::npos) continue;
      return library ? Library(Unquoted(token)) : File(Unquoted(token));
    }
  }

  // cmd's switches, a slash and a letter each, some with ":value" ("/t:0a", "/e:on"), apart or
  // together ("/d/c"), up to /c or /k, after which comes the command it runs.
  std::optional<ResolvedImage> Cmd(std::string_view arguments, int depth) const {
    bool keepNoQuotes = false;  // /s: the outer quotes always go
    for (std::size_t at = 0; at < arguments.size();) {
      if (IsBlank(arguments[at])) {
        ++at;
        continue;
      }
      if (arguments[at] != '/' || at + 1 == arguments.size()) return std::nullopt;
      const char letter = static_cast<char>(arguments[at + 1] | 0x20);
      at += 2;
      if (letter == 'c' || letter == 'k') {
        return CmdCommand(TrimStart(arguments.substr(at)), keepNoQuotes, depth);
      }
      keepNoQuotes = keepNoQuotes || letter == 's';
      if (at < arguments.size() && arguments[at] == ':') {
        while (at < arguments.size() && !IsBlank(arguments[at]) && arguments[at] != '/') ++at;
      }
    }
    return std::nullopt;
  }

  // cmd keeps the quotes of "/c "C:\a b\x.exe"" (no /s, exactly two quotes, a blank and no
  // special character between them, and a program there); otherwise it takes off the first
  // character when it is a quote and the last quote of the line.
  std::optional<ResolvedImage> CmdCommand(std::string_view command, bool keepNoQuotes,
                                          int depth) const {
    std::string unquoted;
    if (command.starts_with('"')) {
      const auto second = command.find('"', 1);
      const std::string_view between = command.substr(1, second - 1);
      const bool keep = !keepNoQuotes && second != std::string_view::npos &&
                        command.find('"', second + 1) == std::string_view::npos &&
                        between.find_first_of("&<>()@^|") == std::string_view::npos &&
                        between.find_first_of(" \t") != std::string_view::npos &&
                        Locate(between, ".exe");
      if (!keep) {
        const auto last = command.rfind('"');
        unquoted = std::string(command.substr(1, last == 0 ? std::string_view::npos : last - 1));
        if (last != 0) unquoted.append(command.substr(last + 1));
        command = unquoted;
      }
    }
    command = FirstCmdCommand(command);
    std::string_view rest = command;
    const ResolvedImage resolved = EqualsFoldingCase(NextToken(rest), "start")
                                       ? Start(rest, depth).value_or(ResolvedImage{})
                                       : Command(command, depth + 1);
    if (resolved.image.empty() && resolved.noFile.empty()) return std::nullopt;
    // A word that names no program is cmd's own command ("dir", "echo"): a script given inline.
    if (IsBare(resolved.image) && !resolved.image.empty() &&
        !IsProgramExtension(Extension(resolved.image))) {
      return ResolvedImage{"", std::string(kInlineScript)};
    }
    return resolved;
  }

  // start ["title"] [/d folder] [/node n] [/affinity mask] [/min, /wait, /b, ...] program: the
  // first argument in quotes is the window's title, not the program.
  std::optional<ResolvedImage> Start(std::string_view arguments, int depth) const {
    std::string_view rest = arguments;
    for (bool first = true;; first = false) {
      std::string_view after = rest;
      const std::string_view token = NextToken(after);
      if (token.empty()) return std::nullopt;  // no program: a new command prompt
      if (!(first && token.front() == '"') && token.front() != '/') break;
      if (EqualsFoldingCase(token, "/d") || EqualsFoldingCase(token, "/node") ||
          EqualsFoldingCase(token, "/affinity")) {
        NextToken(after);
      }
      rest = after;
    }
    std::string_view program = rest;
    if (auto none = NoFileIn(Unquoted(NextToken(program)))) return none;
    return Command(rest, depth + 1);
  }

  // Windows PowerShell and pwsh run the script named by -File (-f, -fi, -fil); -Command,
  // -EncodedCommand, commands typed in or read from input are scripts given inline. A first
  // argument without a switch is a command to powershell, a script file to pwsh.
  std::optional<ResolvedImage> PowerShell(std::string_view arguments, bool pwsh) const {
    for (std::string_view rest = arguments;;) {
      const std::string_view token = NextToken(rest);
      if (token.empty()) break;
      if (token.front() != '-' && token.front() != '/') {
        if (pwsh) return File(Unquoted(token));
        break;
      }
      if (token.size() == 1) break;  // "-": commands read from input
      const PowerShellKind kind = PowerShellKindOf(token);
      if (kind == PowerShellKind::File) {
        const std::string_view file = Unquoted(NextToken(rest));
        if (file.empty()) break;
        return File(file);
      }
      if (kind == PowerShellKind::Inline) break;
      if (kind == PowerShellKind::Value) NextToken(rest);
    }
    return ResolvedImage{"", std::string(kInlineScript)};
  }

  // "mshta C:\x.hta": the page; a URL or a script given inline ("vbscript:...") names no file.
  std::optional<ResolvedImage> Mshta(std::string_view arguments) const {
    const std::string_view page = Unquoted(NextToken(arguments));
    if (page.empty()) return std::nullopt;
    if (auto none = NoFileIn(page)) return none;
    return File(page);
  }

  // conhost's own options start with two dashes ("--headless", "--width 80"); the rest is the
  // command line it runs.
  std::optional<ResolvedImage> Conhost(std::string_view arguments, int depth) const {
    constexpr std::array<std::string_view, 6> kWithValue{"--width",  "--height",  "--signal",
                                                         "--server", "--feature", "--vtmode"};
    std::string_view rest = arguments;
    for (;;) {
      std::string_view after = rest;
      const std::string_view token = NextToken(after);
      if (!token.starts_with("--")) break;
      if (std::any_of(kWithValue.begin(), kWithValue.end(), [token](std::string_view option) {
            return EqualsFoldingCase(token, option);
          }))
        NextToken(after);
      rest = after;
    }
    ResolvedImage resolved = Command(rest, depth + 1);
    if (resolved.image.empty() && resolved.noFile.empty()) return std::nullopt;
    return resolved;
  }

  const CommandContext& context_;
  const std::string& windows_;
  bool wow32_;
  std::vector<std::string> folders_;  // where a bare name is looked for, each ending in "\"
};

std::string Expanded(std::string_view text, const CommandContext& context) {
  text = Bounded(text);
  if (!context.expand) return std::string(text);
  return std::string(Bounded(context.expand(text)));
}

}  // namespace

std::string CommandLineOf(std::string_view path, std::string_view arguments) {
  const bool quote = path.find(' ') != std::string_view::npos && !path.starts_with('"');
  std::string command = quote ? "\"" + std::string(path) + "\"" : std::string(path);
  if (!arguments.empty()) command += " " + std::string(arguments);
  return command;
}

std::vector<std::string> PathFolders(std::string_view path) {
  std::vector<std::string> folders;
  while (!path.empty()) {
    const std::size_t end = std::min(path.find(';'), path.size());
    const std::string_view folder = Unquoted(TrimBlanks(path.substr(0, end)));
    const bool full = (folder.size() >= 3 && folder[1] == ':' && IsSeparator(folder[2])) ||
                      folder.starts_with("\\\\");
    if (full) folders.emplace_back(folder);
    path.remove_prefix(std::min(end + 1, path.size()));
  }
  return folders;
}

ResolvedImage ResolveImage(std::string_view text, ImageRule rule, const CommandContext& context) {
  switch (rule) {
    case ImageRule::CommandLine:
      return Resolver(context, context.wow32).Command(Expanded(text, context), 0);
    case ImageRule::LoadPath:
      return Resolver(context, context.wow32).Library(Expanded(text, context));
    case ImageRule::DriverPath: return Resolver(context, false).Driver(Bounded(text));
    case ImageRule::Given: return {std::string(text), ""};
    case ImageRule::NoFile: return {"", std::string(text)};
  }
  return {};
}

}  // namespace sysinfo
