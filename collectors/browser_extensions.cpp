// The Browser Extensions category: the extensions of every profile of every user's Chromium-family
// browsers and Firefox, and those policy forces.
#include "collectors/browser_extensions.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/format.h"
#include "base/json_value.h"
#include "base/text.h"
#include "collectors/category.h"
#include "collectors/sources.h"
#include "report/json_reader.h"
#include "report/report.h"

namespace sysinfo {
namespace {

constexpr std::size_t kMaxFolders = 256;  // in a browser's data folder: profiles and its caches
constexpr std::size_t kMaxListed = 64;  // permissions shown of one extension
constexpr std::size_t kMaxPolicyText = 1u << 20;

enum class Family { Chromium, Firefox };

struct Browser {
  std::string_view name;
  Family family;
  bool roaming;  // below the roaming application data, else below the local one
  std::string_view folder;
  bool oneProfile;  // the folder is the profile itself
  std::string_view policies;  // below Software\Policies; empty: the browser reads none there
};

constexpr std::array<Browser, 6> kBrowsers{{
    {"Chrome", Family::Chromium, false, "Google\\Chrome\\User Data", false, "Google\\Chrome"},
    {"Edge", Family::Chromium, false, "Microsoft\\Edge\\User Data", false, "Microsoft\\Edge"},
    {"Brave", Family::Chromium, false, "BraveSoftware\\Brave-Browser\\User Data", false,
     "BraveSoftware\\Brave"},
    {"Vivaldi", Family::Chromium, false, "Vivaldi\\User Data", false, ""},
    {"Opera", Family::Chromium, true, "Opera Software\\Opera Stable", true, ""},
    {"Firefox", Family::Firefox, true, "Mozilla\\Firefox\\Profiles", false, "Mozilla\\Firefox"},
}};

// What a machine-wide policy, or a problem of a whole browser, is listed under.
constexpr std::string_view kAllUsers = "All users";
constexpr std::string_view kAllProfiles = "All profiles";
constexpr std::string_view kPolicy = "policy";

// Chromium's numbers for where an extension came from, as its settings keep them.
constexpr std::int64_t kInternal = 1, kExternalPref = 2, kExternalRegistry = 3, kUnpacked = 4,
                       kComponent = 5, kExternalPrefDownload = 6, kPolicyDownload = 7,
                       kCommandLine = 8, kPolicyCached = 9, kExternalComponent = 10;

struct Extension {
  std::size_t user = 0;  // the users' order, past the last for the machine's policies
  std::size_t browser = 0;
  std::string userName, profile, id, name, version;
  std::optional<bool> enabled;
  std::string from, permissions, hostPermissions, updateUrl, path, installed;
  std::string source;  // Firefox: the URL it was installed from, which an install policy names
};

// A file, folder or policy value that could not be read, and why.
struct Unread {
  std::string user, browser, profile, source, reason;
};

// An extension a policy installs: by its id, or (Firefox's install list) by its URL alone.
struct Forced {
  std::size_t browser = 0;
  std::optional<std::size_t> user;  // nothing: the machine's policy, for every user
  std::string id, url, place;
};

struct ProfilePlace {
  std::size_t user = 0;
  std::size_t browser = 0;
  std::string profile;
  std::string folder;
};

// ---- reading the browsers' JSON ----

std::optional<JsonNode> Member(std::optional<JsonNode> node, std::string_view name) {
  if (!node || !node->Is(JsonKind::Object)) return std::nullopt;
  return node->Find(name);
}

std::string TextOf(std::optional<JsonNode> node) {
  return node && node->Is(JsonKind::String) ? std::string(node->Text()) : std::string();
}

std::optional<bool> BoolOf(std::optional<JsonNode> node) {
  if (node && node->Is(JsonKind::True)) return true;
  if (node && node->Is(JsonKind::False)) return false;
  return std::nullopt;
}

// A whole number, also as the decimal text Chromium keeps its 64-bit times in.
std::optional<std::int64_t> WholeOf(std::optional<JsonNode> node) {
  if (!node || !(node->Is(JsonKind::Number) || node->Is(JsonKind::String))) return std::nullopt;
  const std::string_view text = node->Text();
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != text.npos)
    return std::nullopt;
  return std::stoll(std::string(text));
}

// A time as ISO 8601 in UTC; empty outside the years a calendar of ours names.
std::string UtcText(std::int64_t secondsSince1970) {
  using namespace std::chrono;
  constexpr std::int64_t kYear1601 = -11'644'473'600, kYear10000 = 253'402'300'800;
  if (secondsSince1970 < kYear1601 || secondsSince1970 >= kYear10000) return {};
  const sys_seconds moment{seconds{secondsSince1970}};
  const sys_days day = floor<days>(moment);
  const year_month_day date{day};
  const hh_mm_ss time{moment - day};
  return Iso8601({static_cast<int>(date.year()), static_cast<int>(unsigned{date.month()}),
                  static_cast<int>(unsigned{date.day()}), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()), 0});
}

// Items joined by ", ", the first kMaxListed of them: a manifest may list thousands.
class ListText {
 public:
  void Add(std::string_view item) {
    if (count_++ >= kMaxListed) return;
    if (!text_.empty()) text_ += ", ";
    text_ += item;
  }
  void AddEach(std::optional<JsonNode> list) {
    if (!list || !list->Is(JsonKind::Array)) return;
    for (const JsonNode item : *list) {
      if (item.Is(JsonKind::String)) Add(item.Text());
    }
  }
  std::string Text() const {
    if (count_ <= kMaxListed) return text_;
    return text_ + ", and " + std::to_string(count_ - kMaxListed) + " more";
  }

 private:
  std::string text_;
  std::size_t count_ = 0;
};

// Manifest version 2 lists the sites an extension may read among its permissions.
bool IsHostPattern(std::string_view permission) {
  return permission == "<all_urls>" || permission.find("://") != std::string_view::npos;
}

void DescribeFromManifest(Extension& extension, JsonNode manifest) {
  extension.name = TextOf(Member(manifest, "name"));
  extension.version = TextOf(Member(manifest, "version"));
  extension.updateUrl = TextOf(Member(manifest, "update_url"));
  ListText permissions, hosts;
  if (const auto listed = Member(manifest, "permissions"); listed && listed->Is(JsonKind::Array)) {
    for (const JsonNode item : *listed) {
      if (item.Is(JsonKind::String))
        (IsHostPattern(item.Text()) ? hosts : permissions).Add(item.Text());
    }
  }
  hosts.AddEach(Member(manifest, "host_permissions"));
  extension.permissions = permissions.Text();
  extension.hostPermissions = hosts.Text();
}

// Newer browsers leave `state` out and keep only why an extension is off.
std::optional<bool> ChromiumEnabled(JsonNode entry) {
  if (const auto state = WholeOf(Member(entry, "state"))) return *state == 1;
  const auto reasons = Member(entry, "disable_reasons");
  if (!reasons) return true;
  if (reasons->Is(JsonKind::Array)) return reasons->Size() == 0;
  if (const auto mask = WholeOf(reasons)) return *mask == 0;
  return std::nullopt;
}

std::string ChromiumFrom(std::optional<std::int64_t> location, JsonNode entry) {
  if (BoolOf(Member(entry, "was_installed_by_default")) == true ||
      BoolOf(Member(entry, "was_installed_by_oem")) == true)
    return "default";
  if (!location) return {};
  switch (*location) {
    case kInternal: return BoolOf(Member(entry, "from_webstore")) == true ? "store" : "user";
    case kExternalPref:
    case kExternalRegistry:
    case kExternalPrefDownload: return "sideloaded";
    case kUnpacked: return "unpacked";
    case kCommandLine: return "command line";
    case kComponent:
    case kExternalComponent: return "component";
    case kPolicyDownload:
    case kPolicyCached: return std::string(kPolicy);
    default: return "location " + std::to_string(*location);
  }
}

// Chromium's times are microseconds since 1601, kept as text.
std::string ChromiumInstalled(JsonNode entry) {
  auto time = WholeOf(Member(entry, "first_install_time"));
  if (!time) time = WholeOf(Member(entry, "install_time"));
  if (!time || *time == 0) return {};
  constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
  return UtcText(*time / 1'000'000 - kSecondsFrom1601To1970);
}

std::string FirefoxFrom(std::string_view location, std::string_view source) {
  if (location == "app-profile")
    return source.starts_with("https://addons.mozilla.org/") ? "store" : "user";
  if (location == "app-system-defaults" || location == "app-system-addons") return "default";
  if (location == "app-builtin") return "component";
  if (location == "app-temporary" || location == "temporary") return "unpacked";
  if (location.starts_with("app-system-") || location.starts_with("winreg-app-") ||
      location == "app-global")
    return "sideloaded";
  return std::string(location);
}

// An entry of a profile's extension settings that is an extension the profile has, not what is
// left of one removed (a count of prompts shown, a flag acknowledged).
bool IsInstalledEntry(JsonNode entry) {
  return entry.Is(JsonKind::Object) &&
         (entry.Find("location") || entry.Find("path") || entry.Find("manifest"));
}

// A folder name below the Extensions folder that stays there: no drive, no stream, no step up
// (a name of dots and blanks alone is one, as Windows drops trailing dots and blanks).
bool StaysInside(std::string_view path) {
  if (path.empty()) return false;
  for (std::size_t start = 0; start <= path.size();) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    const std::string_view step = path.substr(start, end - start);
    if (step.find_first_not_of(". ") == std::string_view::npos ||
        step.find_first_of(std::string_view(":/\0", 3)) != std::string_view::npos)
      return false;
    start = end + 1;
  }
  return true;
}

// A folder on a local drive ("C:\..."): a share's name would make the scan connect to it.
bool IsLocalFolder(std::string_view path) {
  const char drive = static_cast<char>(path.empty() ? 0 : path[0] | 0x20);
  return path.size() > 3 && drive >= 'a' && drive <= 'z' && path[1] == ':' && path[2] == '\\' &&
         StaysInside(path.substr(3));
}

bool IsChromiumProfile(std::string_view folder) {
  return EqualsIgnoreCase(folder, "Default") || StartsWithIgnoreCase(folder, "Profile ");
}

// "id;update-url" of a force-install list; the id alone takes the store's URL.
std::pair<std::string, std::string> SplitForcelistEntry(std::string_view entry) {
  const std::size_t semicolon = entry.find(';');
  const std::string_view id = TrimBlanks(entry.substr(0, semicolon));
  const std::string_view url = semicolon == std::string_view::npos
                                   ? std::string_view()
                                   : TrimBlanks(entry.substr(semicolon + 1));
  return {std::string(id), std::string(url)};
}

JsonLimits Limits(std::size_t maxBytes) {
  return {.maxBytes = maxBytes, .maxDepth = 32, .maxValues = 1'000'000};
}

// ---- the gatherer ----

class ExtensionGatherer {
 public:
  ExtensionGatherer(RegistryRoutines& keys, UserProfileSystem& files)
      : keys_(keys), files_(files) {}

  void Gather() {
    Result<std::vector<MachineUser>> users = ListMachineUsers(keys_, files_);
    if (users.Failed()) Failed(*users.error);
    users_ = std::move(users.value);
    ReadPolicies(RegistryRoot::LocalMachine, "SOFTWARE\\Policies",
                 "HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies", std::nullopt);
    for (std::size_t user = 0; user < users_.size(); ++user) {
      const MachineUser& machineUser = users_[user];
      if (machineUser.hiveLoaded) {
        ReadPolicies(machineUser.root, machineUser.Key("Software\\Policies"),
                     machineUser.KeyName("Software\\Policies"), user);
      } else {
        unknownPolicies_.push_back(machineUser.name);
      }
      for (std::size_t browser = 0; browser < kBrowsers.size(); ++browser)
        ReadBrowser(user, browser);
    }
    MarkForced();
    std::stable_sort(extensions_.begin(), extensions_.end(), InReportOrder);
  }

  void Write(ReportWriter& report, DetailLevel level) const;
  const Status& FirstFailure() const { return failure_; }

 private:
  static bool InReportOrder(const Extension& a, const Extension& b) {
    if (a.user != b.user) return a.user < b.user;
    if (a.browser != b.browser) return a.browser < b.browser;
    for (const auto field : {&Extension::profile, &Extension::name, &Extension::id}) {
      if (const int order = CompareIgnoreCase(a.*field, b.*field); order != 0) return order < 0;
    }
    return false;
  }

  void Failed(const Error& error) {
    if (!failure_) failure_ = error;
  }

  std::string UserName(std::optional<std::size_t> user) const {
    return user ? users_[*user].name : std::string(kAllUsers);
  }

  void NotRead(std::optional<std::size_t> user, std::size_t browser, std::string profile,
               std::string source, std::string reason) {
    unread_.push_back({UserName(user), std::string(kBrowsers[browser].name), std::move(profile),
                       std::move(source), std::move(reason)});
  }

  // The document a file holds; nothing when no file is there. One that cannot be read or is not
  // JSON is listed with why, and one the platform could not read fails the category too.
  std::optional<JsonDocument> ReadJson(const ProfilePlace& place, const std::string& path,
                                       std::size_t maxBytes) {
    Result<std::optional<std::string>> read = files_.SmallFile(path, maxBytes);
    if (read.Failed()) {
      NotRead(place.user, place.browser, place.profile, path, read.error->message);
      Failed(*read.error);
      return std::nullopt;
    }
    if (!read.value) return std::nullopt;
    std::string_view text = *read.value;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    Result<JsonDocument> parsed = ParseJson(text, Limits(maxBytes));
    if (parsed.Failed()) {
      NotRead(place.user, place.browser, place.profile, path, RefusalPlace(text, *parsed.error));
      return std::nullopt;
    }
    return std::move(parsed.value);
  }

  void ReadBrowser(std::size_t user, std::size_t browser) {
    const Browser& kind = kBrowsers[browser];
    const std::string& base = kind.roaming ? users_[user].roamingAppData
                                           : users_[user].localAppData;
    if (base.empty()) return;
    const std::string folder = base + "\\" + std::string(kind.folder);
    // Two users may name one folder (a hive whose folders fall back to the scan's own user's,
    // folders moved to a shared place): its extensions are the first one's.
    if (!foldersRead_.insert(LowerCase(folder)).second) return;
    if (kind.oneProfile) {
      ReadProfile(
          {user, browser, std::string(kind.folder.substr(kind.folder.rfind('\\') + 1)), folder});
      return;
    }
    Result<std::vector<std::string>> names = files_.Subfolders(folder, kMaxFolders);
    if (names.Failed()) {
      NotRead(user, browser, std::string(kAllProfiles), folder, names.error->message);
      Failed(*names.error);
    }
    std::sort(
        names.value.begin(), names.value.end(),
        [](const std::string& a, const std::string& b) { return CompareIgnoreCase(a, b) < 0; });
    for (const std::string& name : names.value) {
      if (kind.family == Family::Firefox || IsChromiumProfile(name))
        ReadProfile({user, browser, name, folder + "\\" + name});
    }
  }

  void ReadProfile(const ProfilePlace& place) {
    if (kBrowsers[place.browser].family == Family::Firefox) {
      ReadFirefoxProfile(place);
    } else {
      ReadChromiumProfile(place);
    }
  }

  Extension Begin(const ProfilePlace& place, std::string id) const {
    Extension extension;
    extension.user = place.user;
    extension.browser = place.browser;
    extension.userName = users_[place.user].name;
    extension.profile = place.profile;
    extension.id = std::move(id);
    return extension;
  }

  // Newer browsers keep the extensions' settings in Secure Preferences, older ones in Preferences;
  // an extension in both is the first one's.
  void ReadChromiumProfile(const ProfilePlace& place) {
    std::unordered_set<std::string> listed;
    for (const std::string_view file : {"Secure Preferences", "Preferences"}) {
      const std::optional<JsonDocument> document = ReadJson(
          place, place.folder + "\\" + std::string(file), kMaxBrowserSettings);
      if (!document) continue;
      const auto settings = Member(Member(document->Root(), "extensions"), "settings");
      if (!settings || !settings->Is(JsonKind::Object)) continue;
      for (const JsonNode entry : *settings) {
        if (IsInstalledEntry(entry) && listed.insert(std::string(entry.Name())).second)
          extensions_.push_back(ChromiumExtension(place, entry));
      }
    }
  }

  Extension ChromiumExtension(const ProfilePlace& place, JsonNode entry) {
    Extension extension = Begin(place, std::string(entry.Name()));
    const std::optional<std::int64_t> location = WholeOf(Member(entry, "location"));
    const bool unpacked = location == kUnpacked || location == kCommandLine;
    const std::string path = TextOf(Member(entry, "path"));
    if (!path.empty()) extension.path = unpacked ? path : place.folder + "\\Extensions\\" + path;
    extension.enabled = ChromiumEnabled(entry);
    extension.from = ChromiumFrom(location, entry);
    extension.installed = ChromiumInstalled(entry);
    // Unpacked ones keep their manifest in the settings; the store's are read from their folder.
    if (const auto manifest = Member(entry, "manifest");
        manifest && manifest->Is(JsonKind::Object)) {
      DescribeFromManifest(extension, *manifest);
    } else if (!path.empty()) {
      ReadManifest(place, extension, path, unpacked);
    }
    return extension;
  }

  void ReadManifest(const ProfilePlace& place, Extension& extension, const std::string& path,
                    bool unpacked) {
    if (unpacked ? !IsLocalFolder(path) : !StaysInside(path)) {
      NotRead(place.user, place.browser, place.profile, extension.path,
              unpacked ? "not a folder on a local drive"
                       : "a folder outside the profile's Extensions folder");
      return;
    }
    const std::optional<JsonDocument> manifest = ReadJson(place, extension.path + "\\manifest.json",
                                                          kMaxExtensionManifest);
    if (manifest) DescribeFromManifest(extension, manifest->Root());
  }

  // Firefox keeps an add-on found in two places twice, the one it uses visible.
  void ReadFirefoxProfile(const ProfilePlace& place) {
    const std::optional<JsonDocument> document = ReadJson(place, place.folder + "\\extensions.json",
                                                          kMaxBrowserSettings);
    if (!document) return;
    const auto addons = Member(document->Root(), "addons");
    if (!addons || !addons->Is(JsonKind::Array)) return;
    std::unordered_set<std::string> listed;
    for (const JsonNode addon : *addons) {
      if (TextOf(Member(addon, "type")) != "extension" || BoolOf(Member(addon, "visible")) == false)
        continue;
      std::string id = TextOf(Member(addon, "id"));
      if (listed.insert(id).second) extensions_.push_back(FirefoxExtension(place, addon, id));
    }
  }

  Extension FirefoxExtension(const ProfilePlace& place, JsonNode addon, std::string id) const {
    Extension extension = Begin(place, std::move(id));
    extension.name = TextOf(Member(Member(addon, "defaultLocale"), "name"));
    extension.version = TextOf(Member(addon, "version"));
    extension.enabled = BoolOf(Member(addon, "active"));
    if (const auto off = BoolOf(Member(addon, "userDisabled")); !extension.enabled && off)
      extension.enabled = !*off;
    extension.source = TextOf(Member(addon, "sourceURI"));
    extension.from = FirefoxFrom(TextOf(Member(addon, "location")), extension.source);
    extension.updateUrl = TextOf(Member(addon, "updateURL"));
    if (extension.updateUrl.empty()) extension.updateUrl = extension.source;
    extension.path = TextOf(Member(addon, "path"));
    if (const auto added = WholeOf(Member(addon, "installDate")))
      extension.installed = UtcText(*added / 1000);
    ListText permissions, hosts;
    permissions.AddEach(Member(Member(addon, "userPermissions"), "permissions"));
    hosts.AddEach(Member(Member(addon, "userPermissions"), "origins"));
    extension.permissions = permissions.Text();
    extension.hostPermissions = hosts.Text();
    return extension;
  }

  // ---- policies ----

  void ReadPolicies(RegistryRoot root, const std::string& key, const std::string& keyName,
                    std::optional<std::size_t> user) {
    for (std::size_t browser = 0; browser < kBrowsers.size(); ++browser) {
      const Browser& kind = kBrowsers[browser];
      if (kind.policies.empty()) continue;
      const std::string below = "\\" + std::string(kind.policies);
      const Forced where{browser, user, {}, {}, keyName + below};
      ReadExtensionSettings(root, key + below, where);
      const std::string list = kind.family == Family::Chromium ? "\\ExtensionInstallForcelist"
                                                               : "\\Extensions\\Install";
      ReadForcedList(root, key + below + list, {browser, user, {}, {}, where.place + list});
    }
  }

  // Chromium's list holds "id;update-url", Firefox's the URL or file of each add-on.
  void ReadForcedList(RegistryRoot root, const std::string& path, const Forced& where) {
    Result<std::vector<NamedRegistryValue>> values = keys_.Values(root, path,
                                                                  RegistryView::Only64Bit);
    if (values.Failed()) {
      NotRead(where.user, where.browser, std::string(kAllProfiles), where.place,
              values.error->message);
      Failed(*values.error);
    }
    for (const auto& [name, raw] : values.value) {
      const std::string text = RegistryValueText(ConvertQueriedValue(raw));
      Forced forced = where;
      if (kBrowsers[where.browser].family == Family::Chromium) {
        std::tie(forced.id, forced.url) = SplitForcelistEntry(text);
      } else {
        forced.url = TrimBlanks(text);
      }
      if (!forced.id.empty() || !forced.url.empty()) AddForced(std::move(forced));
    }
  }

  // ExtensionSettings is JSON in one value: {"<id>[,<id>...]": {"installation_mode": ...}}.
  void ReadExtensionSettings(RegistryRoot root, const std::string& path, const Forced& where) {
    Result<std::optional<RawRegistryValue>> raw = keys_.QueryValue(root, path, "ExtensionSettings",
                                                                   RegistryView::Only64Bit);
    const std::string source = where.place + "\\ExtensionSettings";
    if (raw.Failed()) {
      NotRead(where.user, where.browser, std::string(kAllProfiles), source, raw.error->message);
      Failed(*raw.error);
    }
    if (!raw.value) return;
    const std::string text = RegistryValueText(ConvertQueriedValue(*raw.value));
    Result<JsonDocument> parsed = ParseJson(text, Limits(kMaxPolicyText));
    if (parsed.Failed()) {
      NotRead(where.user, where.browser, std::string(kAllProfiles), source,
              RefusalPlace(text, *parsed.error));
      return;
    }
    const bool chromium = kBrowsers[where.browser].family == Family::Chromium;
    const JsonNode settings = parsed.value.Root();
    if (!settings.Is(JsonKind::Object)) return;
    for (const JsonNode setting : settings) {
      const std::string mode = TextOf(Member(setting, "installation_mode"));
      if (mode != "force_installed" && mode != "normal_installed") continue;
      const std::string url = TextOf(Member(setting, chromium ? "update_url" : "install_url"));
      for (std::string_view ids = setting.Name(); !ids.empty();) {
        const std::size_t comma = std::min(ids.find(','), ids.size());
        const std::string_view id = TrimBlanks(ids.substr(0, comma));
        ids.remove_prefix(std::min(comma + 1, ids.size()));
        if (!id.empty() && id != "*" && !id.starts_with("update_url:"))
          AddForced({where.browser, where.user, std::string(id), url, source});
      }
    }
  }

  void AddForced(Forced forced) {
    const bool known = std::any_of(forced_.begin(), forced_.end(), [&](const Forced& other) {
      return other.browser == forced.browser && other.user == forced.user &&
             EqualsIgnoreCase(other.id, forced.id) &&
             (!forced.id.empty() || other.url == forced.url);
    });
    if (!known) forced_.push_back(std::move(forced));
  }

  // A forced extension a profile has is shown as the policy's; one none has is listed on its own.
  void MarkForced() {
    for (const Forced& forced : forced_) {
      bool installed = false;
      for (Extension& extension : extensions_) {
        if (extension.browser != forced.browser || (forced.user && extension.user != *forced.user))
          continue;
        if (forced.id.empty() ? extension.source.empty() || extension.source != forced.url
                              : !EqualsIgnoreCase(extension.id, forced.id))
          continue;
        extension.from = kPolicy;
        installed = true;
      }
      if (!installed) extensions_.push_back(NotInstalled(forced));
    }
  }

  Extension NotInstalled(const Forced& forced) const {
    Extension extension;
    extension.user = forced.user.value_or(users_.size());
    extension.browser = forced.browser;
    extension.userName = UserName(forced.user);
    extension.profile = kAllProfiles;
    extension.id = forced.id;
    extension.from = std::string(kPolicy) + " (not installed)";
    extension.updateUrl = forced.url;
    extension.path = forced.place;
    return extension;
  }

  RegistryRoutines& keys_;
  UserProfileSystem& files_;
  Status failure_;
  std::vector<MachineUser> users_;
  std::vector<Extension> extensions_;
  std::vector<Forced> forced_;
  std::vector<Unread> unread_;
  std::vector<std::string> unknownPolicies_;  // the users whose hive is not loaded
  std::unordered_set<std::string> foldersRead_;  // in small letters
};

void WriteValue(ReportWriter& report, std::string_view label, std::string_view field,
                const SourceValue& value) {
  report.WriteField(label, ValueText(value).value_or(std::string()), field, value);
}

void WriteExtension(ReportWriter& report, const Extension& extension, DetailLevel level) {
  report.BeginItem();
  WriteValue(report, "User: ", "User", extension.userName);
  WriteValue(report, "Browser: ", "Browser", std::string(kBrowsers[extension.browser].name));
  WriteValue(report, "Profile: ", "Profile", extension.profile);
  WriteValue(report, "ID: ", "ID", extension.id);
  WriteValue(report, "Name: ", "Name", TextOrNull(extension.name));
  WriteValue(report, "Version: ", "Version", TextOrNull(extension.version));
  WriteValue(report, "Enabled: ", "Enabled",
             extension.enabled ? SourceValue(*extension.enabled) : Null{});
  WriteValue(report, "From: ", "From", TextOrNull(extension.from));
  if (level >= DetailLevel::Moderate) {
    WriteValue(report, "Permissions: ", "Permissions", TextOrNull(extension.permissions));
    WriteValue(report, "Host Permissions: ", "HostPermissions",
               TextOrNull(extension.hostPermissions));
    WriteValue(report, "Update URL: ", "UpdateURL", TextOrNull(extension.updateUrl));
  }
  if (level >= DetailLevel::Advanced) {
    WriteValue(report, "Path: ", "Path", TextOrNull(extension.path));
    WriteValue(report, "Installed: ", "Installed", TextOrNull(extension.installed));
  }
  report.EndItem();
  report.WriteReportLine(SeparatorLine);
}

void ExtensionGatherer::Write(ReportWriter& report, DetailLevel level) const {
  for (const Extension& extension : extensions_) WriteExtension(report, extension, level);
  for (const Unread& unread : unread_) {
    report.BeginItem();
    WriteValue(report, "User: ", "User", unread.user);
    WriteValue(report, "Browser: ", "Browser", unread.browser);
    WriteValue(report, "Profile: ", "Profile", unread.profile);
    WriteValue(report, "Source: ", "Source", unread.source);
    WriteValue(report, "Not Read: ", "NotRead", unread.reason);
    report.EndItem();
    report.WriteReportLine(SeparatorLine);
  }
  for (const std::string& user : unknownPolicies_) {
    report.BeginItem();
    WriteValue(report, "User: ", "User", user);
    WriteValue(report, "Policies: ", "Policies", std::string(kHiveNotLoaded));
    report.EndItem();
    report.WriteReportLine(SeparatorLine);
  }
}

// Matched by whose profile holds which extension; the user's name identifies them.
constexpr std::array<std::string_view, 4> kKey{"User", "Browser", "Profile", "ID"};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::array<IdentifyingField, 1> kIdentifying{{{"User", IdentityKind::Account}}};

}  // namespace

void CollectBrowserExtensions(ReportWriter& report, RegistryRoutines& keys,
                              UserProfileSystem& files, DetailLevel level) {
  if (!IsDetailLevel(level)) return;
  ExtensionGatherer gatherer(keys, files);
  gatherer.Gather();
  report.SourceEnded(gatherer.FirstFailure());
  gatherer.Write(report, level);
}

extern const CategoryDefinition kBrowserExtensionsCategory{
    .text = "Browser Extensions",
    .startLine = StartLine::WithDetail,
    .collect =
        [](ReportWriter& report, const Sources& sources, DetailLevel level) {
          RegistryRoutines* keys = sources.Need<RegistryRoutines>(report);
          UserProfileSystem* files = sources.Need<UserProfileSystem>(report);
          if (keys && files) CollectBrowserExtensions(report, *keys, *files, level);
        },
    .fields = {kKey, kChanging, kIdentifying},
    .files = FileView::Native};

}  // namespace sysinfo
