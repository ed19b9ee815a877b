// The Autostart Entries category: the places things start from, read through the registry and
// the system, each entry's image resolved and examined once, one sorted block per entry.
#include "collectors/autostart.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>

#include "base/format.h"
#include "report/report.h"
#include "base/text.h"
#include "collectors/autostart_command.h"
#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/file_examinations.h"
#include "collectors/scheduled_tasks.h"
#include "collectors/sorted_table.h"
#include "collectors/user_profiles.h"

namespace sysinfo {

std::string TriggersText(const std::vector<TaskTrigger>& triggers) {
  constexpr std::array<std::string_view, 12> kKinds{"On an event",
                                                    "Once",
                                                    "Daily",
                                                    "Weekly",
                                                    "Monthly",
                                                    "Monthly on a weekday",
                                                    "On idle",
                                                    "At registration",
                                                    "At startup",
                                                    "At log on",
                                                    "",
                                                    "On session change"};
  std::string text;
  for (const TaskTrigger& trigger : triggers) {
    if (!text.empty()) text += "; ";
    const bool known = trigger.type >= 0 && trigger.type < static_cast<int>(kKinds.size()) &&
                       !kKinds[static_cast<std::size_t>(trigger.type)].empty();
    text += known ? std::string(kKinds[static_cast<std::size_t>(trigger.type)])
                  : "Trigger " + std::to_string(trigger.type);
    const bool timed = trigger.type >= 1 && trigger.type <= 5;
    if (timed && !trigger.start.empty()) text += " from " + trigger.start;
    if (!trigger.enabled) text += " (disabled)";
  }
  return text;
}

namespace {

constexpr std::string_view kSha256ErrorText = "Error Getting SHA-256 Hash";

// Whether an image is there and its times, asked once per image (letter case aside, as Windows
// names files); what reading the file tells is kept in the scan's examinations.
struct ImagePlace {
  bool exists = false;
  FileTimes times;
};

class ImageExaminer {
 public:
  ImageExaminer(AutostartSources& sources, DetailLevel level) : sources_(sources), level_(level) {}

  const ImagePlace& Place(const std::string& image) {
    auto [at, added] = places_.try_emplace(LowerCase(image));
    ImagePlace& place = at->second;
    if (!added) return place;
    place.exists = !image.empty() && sources_.system.IsFile(image);
    if (place.exists && level_ >= DetailLevel::Advanced) place.times = sources_.system.Times(image);
    return place;
  }
  FileExaminations& Examined() { return sources_.examined; }
  AutostartSystem& System() { return sources_.system; }

 private:
  AutostartSources& sources_;
  DetailLevel level_;
  std::unordered_map<std::string, ImagePlace> places_;
};

// One line of the block, recorded under its field's name for the JSON report.
void WriteValue(ReportWriter& report, std::string_view label, std::string_view field,
                const SourceValue& value) {
  std::string text;
  AppendCellText(text, value);
  report.WriteField(label, text, field, value);
}

void WriteImage(ReportWriter& report, const AutostartEntry& entry, ImageExaminer& images,
                DetailLevel level) {
  const ImagePlace& place = images.Place(entry.image);
  WriteValue(report, "Image: ", "Image", entry.noFile.empty() ? SourceValue(entry.image) : Null{});
  if (!entry.noFile.empty()) WriteValue(report, "No Image: ", "NoImage", entry.noFile);
  WriteValue(report, "Image Exists: ", "ImageExists", place.exists);
  std::optional<FileSignature> signature;
  if (place.exists) signature = images.Examined().Signature(entry.image);
  WriteValue(report, "Signature: ", "Signature",
             signature ? SourceValue(std::string(SignatureStatusName(signature->status))) : Null{});
  WriteValue(report, "Signer: ", "Signer", signature ? TextOrNull(signature->signer) : Null{});
  if (level < DetailLevel::Advanced) return;
  SourceValue sha256 = Null{};
  VersionStrings version;
  if (place.exists) {
    const std::string digest = images.Examined().Checksums(entry.image, true).sha256;
    sha256 = digest.empty() ? std::string(kSha256ErrorText) : digest;
    version = images.Examined().Version(entry.image);
  }
  WriteValue(report, "SHA-256: ", "SHA256", sha256);
  WriteValue(report, "Company: ", "Company", TextOrNull(version.companyName));
  WriteValue(report, "Version: ", "Version", TextOrNull(version.fileVersion));
  WriteValue(report, "Image Created: ", "ImageCreated", NullIfEmpty(place.times.created));
  WriteValue(report, "Image Modified: ", "ImageModified", NullIfEmpty(place.times.modified));
  if (entry.stateChanged != 0) {
    WriteValue(report, "State Changed: ", "StateChanged",
               images.System().TimeText(entry.stateChanged));
  }
}

void WriteEntry(ReportWriter& report, const AutostartEntry& entry, ImageExaminer& images,
                DetailLevel level) {
  report.BeginItem();
  WriteValue(report, "Family: ", "Family", entry.family);
  WriteValue(report, "Location: ", "Location", entry.location);
  WriteValue(report, "Name: ", "Name", entry.name);
  WriteValue(report, "Command: ", "Command", entry.command);
  WriteValue(report, "State: ", "State", entry.state);
  if (!entry.triggers.empty()) WriteValue(report, "Triggers: ", "Triggers", entry.triggers);
  if (!entry.source.empty()) WriteValue(report, "Source: ", "Source", entry.source);
  if (level >= DetailLevel::Moderate) WriteImage(report, entry, images, level);
  report.EndItem();
  report.WriteReportLine(SeparatorLine);
}

// Matched by where and as what an entry is registered; nothing changes by itself; the profile
// folders and security identifiers in paths are found by the redactor's text rules.
constexpr std::array<std::string_view, 2> kKey{"Location", "Name"};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::span<const IdentifyingField> kIdentifying{};
// Each family is a source of its own: one that could not be read leaves the others comparable.
constexpr std::array<SourceMark, 1> kFamilySource{{{"Family"}}};

}  // namespace

std::optional<StartupApproval> DecodeStartupApproved(std::span<const std::uint8_t> value) {
  if (value.size() < 4) return std::nullopt;
  StartupApproval approval;
  approval.enabled = (value[0] & 1) == 0;
  if (value.size() >= 12) {
    for (std::size_t i = 0; i < 8; ++i) {
      approval.changed |= std::uint64_t{value[4 + i]} << (8 * i);
    }
  }
  return approval;
}

std::vector<ScriptLine> ReadScriptsIni(std::string_view bytes) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.substr(0, kMaxScriptsIni).data());
  const std::size_t size = std::min(bytes.size(), kMaxScriptsIni);
  std::string text = bytes.starts_with("\xFF\xFE") ? Utf16BytesToUtf8(data + 2, size - 2)
                                                   : std::string(bytes.substr(0, size));
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  std::vector<ScriptLine> scripts;
  std::string section;
  for (std::string_view rest = text; !rest.empty();) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    std::string_view line = rest.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    line = TrimBlanks(line);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    if (line.starts_with('[') && line.ends_with(']')) {
      section = std::string(line.substr(1, line.size() - 2));
      continue;
    }
    const std::size_t equals = line.find('=');
    if (section.empty() || equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, equals);
    const std::string_view value = TrimBlanks(line.substr(equals + 1));
    const std::size_t digits = key.find_first_not_of("0123456789");
    if (digits == 0 || digits == std::string_view::npos) continue;
    const std::string name = section + " " + std::string(key.substr(0, digits));
    if (EqualsIgnoreCase(key.substr(digits), "CmdLine")) {
      scripts.push_back({section, name, std::string(value), {}});
    } else if (EqualsIgnoreCase(key.substr(digits), "Parameters") && !scripts.empty() &&
               scripts.back().name == name) {
      scripts.back().parameters = value;
    }
  }
  return scripts;
}

void ResolveAutostartImages(std::vector<AutostartEntry>& entries, AutostartSystem& system,
                            RegistryRoutines& registry) {
  CommandContext context{
      system.WindowsFolder(),
      [&registry](std::string_view text) { return registry.ExpandEnvironment(text); },
      [&system](const std::string& path) { return system.IsFile(path); }, false,
      PathFolders(registry.ExpandEnvironment("%PATH%"))};
  for (AutostartEntry& entry : entries) {
    context.wow32 = entry.wow32;
    const std::string& text = entry.rule == ImageRule::NoFile ? entry.noFile
                              : entry.image.empty()           ? entry.command
                                                              : entry.image;
    // What runs ends at the first NUL, whatever the value holds after it.
    ResolvedImage resolved = ResolveImage(CutAtNull(text), entry.rule, context);
    entry.image = std::move(resolved.image);
    entry.noFile = std::move(resolved.noFile);
  }
}

bool IsWindowsOwnEntry(const AutostartEntry& entry, const std::string& windowsFolder,
                       const FileSignature& signature) {
  return signature.status == SignatureStatus::Signed &&
         (signature.signer == "Microsoft Windows" ||
          signature.signer == "Microsoft Windows Publisher") &&
         entry.image.size() > windowsFolder.size() + 1 &&
         StartsWithFoldingCase(entry.image, windowsFolder + "\\");
}

void CollectAutostartEntries(ReportWriter& report, AutostartSources& sources, DetailLevel level) {
  if (!IsDetailLevel(level)) return;
  std::vector<std::string> notes;
  std::vector<FamilyRead> families;
  Result<std::vector<AutostartEntry>> gathered = GatherAutostartEntries(sources, &notes, &families);
  for (const FamilyRead& family : families) report.SourceEnded(family.family, family.failure);
  report.SourceEnded({}, gathered.error);
  std::vector<AutostartEntry>& entries = gathered.value;
  // Basic leaves out Windows' own entries, which only a resolved and checked image tells.
  ResolveAutostartImages(entries, sources.system, sources.registry);
  // Sorted by reference: an entry is a dozen strings, and moving them costs more than comparing.
  std::vector<const AutostartEntry*> sorted;
  sorted.reserve(entries.size());
  for (const AutostartEntry& entry : entries) sorted.push_back(&entry);
  std::stable_sort(
      sorted.begin(), sorted.end(), [](const AutostartEntry* a, const AutostartEntry* b) {
        const int byLocation = CompareIgnoreCase(a->location, b->location);
        return byLocation != 0 ? byLocation < 0 : CompareIgnoreCase(a->name, b->name) < 0;
      });
  ImageExaminer images(sources, level);
  const std::string windowsFolder = sources.system.WindowsFolder();
  std::int64_t windowsOwn = 0;
  for (const AutostartEntry* entry : sorted) {
    if (level == DetailLevel::Basic && images.Place(entry->image).exists) {
      const auto signature = images.Examined().Signature(entry->image);
      if (signature && IsWindowsOwnEntry(*entry, windowsFolder, *signature)) {
        ++windowsOwn;
        continue;
      }
    }
    WriteEntry(report, *entry, images, level);
  }
  if (windowsOwn > 0) {
    report.BeginItem();
    WriteValue(report, "Windows' Own Entries Not Shown: ", "WindowsOwnEntriesNotShown", windowsOwn);
    report.EndItem();
    report.WriteReportLine(SeparatorLine);
  }
  for (const std::string& note : notes) {
    report.BeginItem();
    WriteValue(report, "Note: ", "Note", note);
    report.EndItem();
    report.WriteReportLine(SeparatorLine);
  }
}

extern const CategoryDefinition kAutostartEntriesCategory{
    .text = "Autostart Entries",
    .startLine = StartLine::WithDetail,
    .collect =
        [](ReportWriter& report, const Sources& sources, DetailLevel level) {
          RegistryRoutines* registry = sources.Need<RegistryRoutines>(report);
          AutostartSystem* system = sources.Need<AutostartSystem>(report);
          FileExaminations* examined = sources.Need<FileExaminations>(report);
          if (!registry || !system || !examined) return;
          // Packaged apps' tasks only where the scan was given the users' files.
          AutostartSources autostart{*registry, *system, *examined,
                                     sources.Find<UserProfileSystem>()};
          CollectAutostartEntries(report, autostart, level);
        },
    .fields = {kKey, kChanging, kIdentifying, {}, nullptr, kFamilySource},
    .files = FileView::Native,
    .sha256From = DetailLevel::Advanced};

}  // namespace sysinfo
