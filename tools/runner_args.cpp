// The console runner's command line parsed, its usage text and its progress lines.
#include "tools/runner_args.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "base/text.h"

namespace sysinfo {
namespace {

// The most categories gathered at once: there are no more categories than this.
constexpr unsigned kMostJobs = 64;

// A whole number from 1 to kMostJobs, written in plain decimal digits; 0 for anything else.
unsigned JobsByText(const std::string& text) {
  if (text.empty() || text.size() > 2 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return 0;
  }
  const unsigned jobs = static_cast<unsigned>(std::stoul(text));
  return jobs <= kMostJobs ? jobs : 0;
}

// The options that take a value, as --name VALUE or --name=VALUE.
constexpr std::array<std::string_view, 7> kValueOptions{
    "--out", "--level", "--category", "--format", "--redact-word", "--redact-map", "--jobs"};
constexpr std::array<std::string_view, 8> kFlagOptions{
    "--all", "--redact", "--all-fields", "--compare", "--help", "--version", "-o", "-V"};
constexpr std::array<std::string_view, 2> kFormats{"text", "json"};

// How many letters must be added, removed, changed or swapped with the next to make one text the
// other, letter case aside ("jsno" is one from "json").
std::size_t EditDistance(std::string_view a, std::string_view b) {
  const std::string x = LowerCase(a), y = LowerCase(b);
  std::vector<std::vector<std::size_t>> d(x.size() + 1, std::vector<std::size_t>(y.size() + 1));
  for (std::size_t i = 0; i <= x.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= y.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= x.size(); ++i) {
    for (std::size_t j = 1; j <= y.size(); ++j) {
      d[i][j] = std::min(
          {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (x[i - 1] == y[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[x.size()][y.size()];
}

// `; did you mean "X"?` for the one candidate nearest a name given, when it is near enough to
// be a slip of the keyboard (a third of its letters at most); empty otherwise.
template <class Names>
std::string DidYouMean(std::string_view given, const Names& candidates) {
  if (given.size() > 64) return {};
  std::string_view best;
  std::size_t bestDistance = std::max<std::size_t>(1, given.size() / 3) + 1;
  for (const auto& candidate : candidates) {
    const std::size_t distance = EditDistance(given, candidate);
    if (distance < bestDistance) {
      best = candidate;
      bestDistance = distance;
    }
  }
  return best.empty() ? std::string() : "; did you mean \"" + std::string(best) + "\"?";
}

std::vector<std::string_view> CategoryNames() {
  std::vector<std::string_view> names;
  for (const CategoryDefinition* category : kCategoryList) names.push_back(category->text);
  return names;
}

// The category by its name in any letter case.
std::optional<std::size_t> CategoryNamed(std::string_view name) {
  for (std::size_t i = 0; i < kCategoryCount; ++i) {
    if (EqualsFoldingCase(kCategoryList[i]->text, name)) return i;
  }
  return std::nullopt;
}

// The level by its name in any letter case, or by its number.
std::optional<DetailLevel> LevelGiven(std::string_view text) {
  if (text.size() == 1 && text[0] >= '1' && text[0] <= '3') return LevelFromNumber(text[0] - '0');
  return LevelNamed(LowerCase(text));
}

}  // namespace

RunnerOptions ParseRunnerArgs(const std::vector<std::string>& args) {
  RunnerOptions options;
  bool all = false;
  bool anyCategory = false;
  bool levelGiven = false;
  auto refuse = [&options](std::string why) {
    options.error = Error{ErrorKind::Refused, std::move(why)};
    return options;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    // --name=VALUE is --name VALUE; -o is --out.
    std::optional<std::string> joined;
    if (const std::size_t equals = arg.find('='); arg.starts_with("--") && equals != arg.npos) {
      joined = arg.substr(equals + 1);
      arg.resize(equals);
    }
    if (arg == "-o") arg = "--out";
    const bool takesValue = std::find(kValueOptions.begin(), kValueOptions.end(), arg) !=
                            kValueOptions.end();
    if (joined && !takesValue) return refuse(arg + " takes no value");
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      options.help = true;
      return options;
    }
    if (arg == "--version" || arg == "-V") {
      options.version = true;
      return options;
    }
    if (arg == "--all") {
      all = true;
    } else if (arg == "--redact") {
      options.redact = true;
    } else if (arg == "--all-fields") {
      options.allFields = true;
    } else if (arg == "--compare") {
      if (options.compare) return refuse("--compare is given twice");
      // Exactly two paths: an option in their place means one is missing.
      if (i + 2 >= args.size() || args[i + 1].starts_with("--") || args[i + 2].starts_with("--")) {
        return refuse("--compare needs two report files");
      }
      options.compare = true;
      options.oldReport = args[++i];
      options.newReport = args[++i];
    } else if (takesValue) {
      if (!joined && i + 1 >= args.size()) return refuse(arg + " needs a value");
      const std::string& value = joined ? *joined : args[++i];
      if (arg == "--out") {
        options.outPath = value;
      } else if (arg == "--redact-word") {
        options.redactWords.push_back(value);
      } else if (arg == "--redact-map") {
        options.redactMap = value;
      } else if (arg == "--jobs") {
        options.jobs = JobsByText(value);
        if (options.jobs == 0) return refuse("--jobs takes a number from 1 to 64");
      } else if (arg == "--format") {
        if (EqualsIgnoreCase(value, "text")) {
          options.format = ReportFormat::Text;
        } else if (EqualsIgnoreCase(value, "json")) {
          options.format = ReportFormat::Json;
        } else {
          return refuse("unknown format \"" + value + "\"" + DidYouMean(value, kFormats));
        }
      } else if (arg == "--level") {
        const std::optional<DetailLevel> level = LevelGiven(value);
        if (!level) {
          return refuse("unknown level \"" + value + "\"" +
                        DidYouMean(value, std::array{"basic", "moderate", "advanced"}) +
                        " (basic, moderate, advanced, or 1 to 3)");
        }
        options.level = *level;
        levelGiven = true;
      } else {
        const auto index = CategoryNamed(value);
        if (!index)
          return refuse("unknown category \"" + value + "\"" + DidYouMean(value, CategoryNames()));
        options.ticked[*index] = true;
        anyCategory = true;
      }
    } else {
      std::vector<std::string_view> known(kValueOptions.begin(), kValueOptions.end());
      known.insert(known.end(), kFlagOptions.begin(), kFlagOptions.end());
      return refuse("unknown option \"" + arg + "\"" + DidYouMean(arg, known));
    }
  }
  const bool redactChoices = !options.redactWords.empty() || !options.redactMap.empty();
  if (options.compare) {
    if (all || anyCategory || levelGiven || options.redact || redactChoices) {
      return refuse("--compare takes no categories, level or --redact");
    }
    return options;
  }
  if (redactChoices && !options.redact)
    return refuse("--redact-word and --redact-map go with --redact");
  // The map names what the markers stand for: it must never become the report.
  if (!options.redactMap.empty() && EqualsIgnoreCase(options.redactMap, options.outPath))
    return refuse("--redact-map must not be the report's --out file");
  if (options.allFields) return refuse("--all-fields goes with --compare");
  if (options.outPath.empty()) return refuse("--out FILE is required");
  if (all == anyCategory) return refuse("give either --all or at least one --category");
  if (all) options.ticked.fill(true);
  return options;
}

std::string RunnerUsage() {
  std::string usage =
      "usage: sysinfo-report --out FILE [--level basic|moderate|advanced] [--format text|json]\n"
      "                      [--jobs N]\n"
      "                      [--redact [--redact-word WORD ...] [--redact-map FILE]]\n"
      "                      (--all | --category NAME [--category NAME ...])\n"
      "       sysinfo-report --compare OLD.json NEW.json [--out FILE] [--format text|json]\n"
      "                      [--all-fields]\n"
      "       sysinfo-report --help | --version\n"
      "\n"
      "Writes the system information report to FILE (-o FILE and --out=FILE too; --out - writes\n"
      "it to standard output). The level defaults to basic (also 1, 2, 3); the format to text,\n"
      "the report as the window writes it. json writes the same scan as values (UTF-8).\n"
      "Names of categories, levels and formats are taken in any letter case.\n"
      "--redact replaces what identifies the machine or its people (names, serial numbers,\n"
      "proxies, secrets in command lines) by markers such as <user-1>, before anything is "
      "written.\n"
      "--redact-word hides one more word (a nickname, a project) as <word-N>. Each value keeps "
      "its\n"
      "marker from one report to the next in a private map (--redact-map chooses the file).\n"
      "A line per finished category goes to standard error.\n"
      "--jobs N gathers N categories at once (1: one after the other; the default: one per\n"
      "processor, at least two). The report is the same either way; a redacted one is always\n"
      "gathered one after the other.\n"
      "\n"
      "--compare lists what was added, removed and changed between two JSON reports of this\n"
      "program, to FILE or standard out; fields that change by themselves (process ids, times)\n"
      "only with --all-fields.\n"
      "\n"
      "Examples:\n"
      "  sysinfo-report --all --out report.txt\n"
      "  sysinfo-report --all --level advanced --format json -o before.json\n"
      "  sysinfo-report --category \"Autostart Entries\" --category services --out -\n"
      "  sysinfo-report --all --redact --out safe-to-post.txt\n"
      "  sysinfo-report --compare before.json after.json\n"
      "\n"
      "Exit status:\n"
      "  0  the report was written completely; --compare: no differences\n"
      "  1  the report could not be created or written; --compare: the reports differ\n"
      "  2  a bad command line, or a file refused (a link, a file with other names, not a report)\n"
      "  3  the report was written, but a category could not be read completely\n"
      "\n"
      "Categories are written in this order whatever order they are given in:\n";
  for (const CategoryDefinition* category : kCategoryList)
    usage += "  " + std::string(category->text) + "\n";
  return usage;
}

bool IsDeviceName(std::string_view path) {
  if (path.starts_with("\\\\.\\") || path.starts_with("//./")) return true;
  std::string_view name = path.substr(path.find_last_of("\\/:") + 1);
  name = name.substr(0, name.find('.'));  // "nul.txt" is NUL too
  while (!name.empty() && (name.back() == ' ')) name.remove_suffix(1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (EqualsIgnoreCase(name, device)) return true;
  }
  return name.size() == 4 &&
         (StartsWithFoldingCase(name, "COM") || StartsWithFoldingCase(name, "LPT")) &&
         name[3] >= '1' && name[3] <= '9';
}

std::string ProgressLine(std::string_view category, const CategoryOutcome& outcome) {
  std::string line(category);
  line += ": ";
  line += CategoryStatusName(outcome.status);
  line += " (" + std::to_string(std::llround(outcome.milliseconds)) + " ms)";
  if (!outcome.error.empty()) line += ": " + outcome.error;
  return line;
}

}  // namespace sysinfo
