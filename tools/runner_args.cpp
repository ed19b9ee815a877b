// The console runner's command line parsed, its usage text and its progress lines.
#include "tools/runner_args.h"

#include <algorithm>
#include <cmath>

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
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      options.help = true;
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
    } else if (arg == "--out" || arg == "--level" || arg == "--category" || arg == "--format" ||
               arg == "--redact-word" || arg == "--redact-map" || arg == "--jobs") {
      if (!hasValue) return refuse(arg + " needs a value");
      const std::string& value = args[++i];
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
        if (value == "text") {
          options.format = ReportFormat::Text;
        } else if (value == "json") {
          options.format = ReportFormat::Json;
        } else {
          return refuse("unknown format \"" + value + "\"");
        }
      } else if (arg == "--level") {
        const std::optional<DetailLevel> level = LevelNamed(value);
        if (!level) return refuse("unknown level \"" + value + "\"");
        options.level = *level;
        levelGiven = true;
      } else {
        const auto index = FindCategory(value);
        if (!index) return refuse("unknown category \"" + value + "\"");
        options.ticked[*index] = true;
        anyCategory = true;
      }
    } else {
      return refuse("unknown option \"" + arg + "\"");
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
      "\n"
      "Writes the system information report to FILE. The level defaults to basic; the format\n"
      "to text, the report as the window writes it. json writes the same scan as values (UTF-8).\n"
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
      "only with --all-fields. Exit status 0: no differences, 1: differences, 2: trouble.\n"
      "\n"
      "Categories are written in this order whatever order they are given in:\n";
  for (const CategoryDefinition* category : kCategoryList)
    usage += "  " + std::string(category->text) + "\n";
  return usage;
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
