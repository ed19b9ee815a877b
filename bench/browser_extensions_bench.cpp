// Browser Extensions over a fake machine of 200 extensions in 20 profiles (two users; Chrome,
// Edge, Brave and Firefox), each Chromium profile's settings padded as a used profile's are: at
// each level the category's time and peak heap per extension, against reading and parsing the
// very files it read, recorded in one run and read again bare.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/levels.h"
#include "collectors/browser_extensions.h"
#include "report/json_reader.h"
#include "report/report.h"
#include "bench/heap_peak.h"
#include "tests/fakes/fake_registry.h"

namespace sysinfo {
namespace {

using testing::Text;

constexpr int kRepeats = 15;
constexpr int kPerProfile = 10;
constexpr const char* kSelf = "S-1-5-21-1-1-1-1000";
constexpr const char* kOther = "S-1-5-21-1-1-1-1001";

class BenchFiles final : public UserProfileSystem {
 public:
  std::map<std::string, std::string> files;
  std::map<std::string, std::vector<std::string>> folders;
  std::vector<std::pair<std::string, std::size_t>>* record = nullptr;

  std::string CurrentUserSid() override { return kSelf; }
  std::string AccountName(const std::string& sid) override { return "PC\\user" + sid.substr(15); }
  Result<std::optional<std::string>> SmallFile(const std::string& path,
                                               std::size_t maxBytes) override {
    if (record) record->emplace_back(path, maxBytes);
    const auto found = files.find(path);
    if (found == files.end()) return {};
    return {found->second, {}};
  }
  Result<std::vector<std::string>> Subfolders(const std::string& folder, std::size_t) override {
    const auto found = folders.find(folder);
    if (found == folders.end()) return {};
    return {found->second, {}};
  }
};

class NullSink final : public ReportSink {
 public:
  Status Write(std::string_view) override { return std::nullopt; }
  Status Close() override { return std::nullopt; }
};

std::string Id(int n) {
  std::string id(32, 'a');
  for (int i = 0; i < 8; ++i) id[31 - i] = static_cast<char>('a' + ((n >> (4 * i)) & 15));
  return id;
}

// What else a used profile's Preferences holds: sites' settings, about 40 KB of them.
std::string Padding() {
  std::string sites;
  for (int i = 0; i < 400; ++i) {
    if (i) sites += ",";
    sites += "\"https://site" + std::to_string(i) +
             ".example:443,*\": {\"last_modified\": \"13300000000000000\", \"setting\": 1}";
  }
  return "\"profile\": {\"content_settings\": {\"exceptions\": {\"cookies\": {" + sites + "}}}}";
}

struct Machine {
  testing::FakeRegistry keys;
  BenchFiles files;
  int extensions = 0;

  Machine() {
    const std::string list = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
    for (const char* sid : {kSelf, kOther}) {
      const std::string profile = std::string("C:\\Users\\") + (sid == kSelf ? "me" : "other");
      keys.Set(RegistryRoot::LocalMachine, list + sid, "ProfileImagePath", Text(profile));
      keys.AddKey(RegistryRoot::Users, sid);
      const std::string local = profile + "\\AppData\\Local\\";
      PlantChromium(local + "Google\\Chrome\\User Data", 4);
      PlantChromium(local + "Microsoft\\Edge\\User Data", 3);
      PlantChromium(local + "BraveSoftware\\Brave-Browser\\User Data", 2);
      PlantFirefox(profile + "\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles");
    }
    for (int i = 0; i < 5; ++i) {
      keys.Set(RegistryRoot::LocalMachine,
               "SOFTWARE\\Policies\\Google\\Chrome\\ExtensionInstallForcelist",
               std::to_string(i + 1), Text(Id(i * 7) + ";https://update.example/crx"));
    }
  }

  void PlantChromium(const std::string& data, int profiles) {
    for (int p = 0; p < profiles; ++p) {
      const std::string name = p == 0 ? "Default" : "Profile " + std::to_string(p);
      const std::string folder = data + "\\" + name;
      folders(data).push_back(name);
      std::string settings;
      for (int i = 0; i < kPerProfile; ++i) {
        const std::string id = Id(extensions++);
        if (i) settings += ",";
        settings += "\"" + id + "\": {\"location\": 1, \"from_webstore\": true, \"path\": \"" + id +
                    "\\\\1.2.3_0\", \"state\": 1, \"first_install_time\": " +
                    "\"13300000000000000\", \"granted_permissions\": {\"api\": [\"storage\", " +
                    "\"tabs\"], \"explicit_host\": [\"https://*/*\"]}, \"was_installed_by_" +
                    "default\": false}";
        files.files[folder + "\\Extensions\\" + id + "\\1.2.3_0\\manifest.json"] =
            "{\"name\": \"Extension " + id + "\", \"version\": \"1.2.3\", \"manifest_version\": " +
            "3, \"permissions\": [\"storage\", \"tabs\", \"alarms\"], \"host_permissions\": " +
            "[\"https://*/*\"], \"update_url\": \"https://clients2.google.com/service/update2/" +
            "crx\", \"description\": \"" + std::string(200, 'd') + "\"}";
      }
      files.files[folder + "\\Secure Preferences"] = "{\"extensions\": {\"settings\": {" +
                                                     settings + "}}, \"protection\": {}}";
      files.files[folder + "\\Preferences"] = "{" + Padding() + "}";
    }
  }

  void PlantFirefox(const std::string& profiles) {
    folders(profiles).push_back("abc.default-release");
    std::string addons;
    for (int i = 0; i < kPerProfile; ++i) {
      if (i) addons += ",";
      addons += "{\"id\": \"addon" + std::to_string(extensions++) +
                "@example\", \"type\": \"extension\", \"version\": \"4.5\", \"active\": true, " +
                "\"visible\": true, \"location\": \"app-profile\", \"sourceURI\": \"https://" +
                "addons.mozilla.org/x.xpi\", \"defaultLocale\": {\"name\": \"Add-on\"}, " +
                "\"installDate\": 1700000000000, \"userPermissions\": {\"permissions\": " +
                "[\"dns\"], \"origins\": [\"<all_urls>\"]}, \"path\": \"C:\\\\x.xpi\"}";
    }
    files.files[profiles + "\\abc.default-release\\extensions.json"] =
        "{\"schemaVersion\": 35, \"addons\": [" + addons + "]}";
  }

  std::vector<std::string>& folders(const std::string& folder) { return files.folders[folder]; }
};

template <class Work>
double Ms(Work work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

void Collect(Machine& machine, DetailLevel level) {
  ReportWriter report(std::make_unique<NullSink>());
  CollectBrowserExtensions(report, machine.keys, machine.files, level);
}

// The recorded files read and parsed alone, as the category bounds them.
std::size_t ReadAlone(Machine& machine,
                      const std::vector<std::pair<std::string, std::size_t>>& reads) {
  std::size_t values = 0;
  for (const auto& [path, maxBytes] : reads) {
    const auto bytes = machine.files.SmallFile(path, maxBytes);
    if (!bytes.value) continue;
    const auto parsed = ParseJson(*bytes.value, {.maxBytes = maxBytes, .maxDepth = 32});
    values += parsed.Failed() ? 0 : parsed.value.Root().Size();
  }
  return values;
}

}  // namespace
}  // namespace sysinfo

int main() {
  using namespace sysinfo;
  Machine machine;
  std::vector<std::pair<std::string, std::size_t>> reads;
  machine.files.record = &reads;
  Collect(machine, DetailLevel::Advanced);
  machine.files.record = nullptr;
  std::size_t bytes = 0;
  for (const auto& [path, maxBytes] : reads) {
    const auto found = machine.files.files.find(path);
    if (found != machine.files.files.end()) bytes += found->second.size();
  }
  const double entries = machine.extensions;
  std::printf("%d extensions in 20 profiles; %zu files asked for, %zu bytes (best of %d)\n",
              machine.extensions, reads.size(), bytes, kRepeats);
  for (DetailLevel level : kDetailLevels) {
    double category = 1e30, alone = 1e30;
    std::size_t parsed = 0;
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
      category = std::min(category, Ms([&] { Collect(machine, level); }));
      alone = std::min(alone, Ms([&] { parsed += ReadAlone(machine, reads); }));
    }
    const double categoryPeak = bench::PeakHeapBytes([&] { Collect(machine, level); });
    const double alonePeak = bench::PeakHeapBytes([&] { parsed += ReadAlone(machine, reads); });
    std::printf("%-8s %6.2f ms %6.2f us/extension %7.0f bytes/extension peak | files read and "
                "parsed alone %6.2f ms, %7.0f bytes/extension peak | ratio %4.2f\n",
                std::string(LevelCaption(level)).c_str(), category, 1000.0 * category / entries,
                categoryPeak / entries, alone, alonePeak / entries, category / alone);
    if (parsed == 0) std::puts("nothing parsed");
  }
  return 0;
}
