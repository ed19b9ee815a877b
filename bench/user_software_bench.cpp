// User Software over a fake machine of 2,000 per-user programs spread over five loaded hives
// (both views), with a profile whose hive is not loaded and Windows Installer products (half of
// them twins of Uninstall entries): at each level the category's time and peak heap per program,
// against the very registry reads it made, recorded during one run and replayed bare.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/levels.h"
#include "collectors/user_software.h"
#include "report/report.h"
#include "bench/heap_peak.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_user_profiles.h"
#include "tests/fakes/fake_user_software.h"

namespace sysinfo {
namespace {

using testing::Dword;
using testing::Text;

constexpr int kRepeats = 15;  // the best of several runs, to keep other work on the machine out
constexpr int kPrograms = 2'000;
constexpr int kLoadedUsers = 5;  // the scan's own (HKEY_CURRENT_USER) and four below HKEY_USERS
constexpr int kInstallerProducts = 200;
const std::string kProfiles = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";

std::string Sid(int user) { return "S-1-5-21-1-1-1-" + std::to_string(1000 + user); }

class DiscardingSink final : public ReportSink {
 public:
  Status Write(std::string_view) override { return std::nullopt; }
  Status Close() override { return std::nullopt; }
};

struct Machine {
  testing::FakeRegistry keys;
  testing::FakeUserProfiles profiles;
  testing::FakeInstaller installer;

  Machine() {
    profiles.currentSid = Sid(0);
    for (int user = 0; user <= kLoadedUsers; ++user) {  // the last one's hive is not loaded
      keys.Set(RegistryRoot::LocalMachine, kProfiles + Sid(user), "ProfileImagePath",
               Text("C:\\Users\\user" + std::to_string(user)));
      profiles.accounts[Sid(user)] = "PC\\user" + std::to_string(user);
    }
    for (int n = 0; n < kPrograms; ++n) Plant(n);
    for (int n = 0; n < kInstallerProducts; ++n) {
      // Every other product is the twin of an Uninstall entry of its user.
      const int program = n % 2 == 0 ? n * 7 : kPrograms + n;
      installer.products.value.push_back({Sid(program % kLoadedUsers), Code(program),
                                          "Installed " + std::to_string(n), "1.0", "Maker",
                                          "C:\\Program Files\\P", "20240101"});
    }
  }

  static std::string Code(int n) {
    std::array<char, 40> text{};
    std::snprintf(text.data(), text.size(), "{%08X-B5E1-4C3A-9D2F-%012X}", n, n);
    return text.data();
  }

  void Plant(int n) {
    const int user = n % kLoadedUsers;
    const RegistryRoot root = user == 0 ? RegistryRoot::CurrentUser : RegistryRoot::Users;
    const std::string hive = user == 0 ? "" : Sid(user) + "\\";
    const std::string view = n % 4 == 3 ? "Software\\WOW6432Node\\" : "Software\\";
    const std::string key = hive + view + "Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                            Code(n);
    const std::string name = "Program " + std::to_string(n * 7919 % kPrograms);
    keys.Set(root, key, "DisplayName", Text(name));
    keys.Set(root, key, "DisplayVersion", Text("1.2." + std::to_string(n)));
    keys.Set(root, key, "Publisher", Text("Vendor " + std::to_string(n % 37)));
    keys.Set(root, key, "InstallLocation", Text("C:\\Users\\u\\AppData\\Local\\" + name));
    keys.Set(root, key, "InstallDate", Text("20240131"));
    keys.Set(root, key, "UninstallString", Text("\"C:\\Users\\u\\uninstall.exe\" /x " + name));
    keys.Set(root, key, "DisplayIcon", Text("C:\\Users\\u\\app.exe,0"));
    keys.Set(root, key, "NoModify", Dword(1));
  }
};

enum class Read { Value, Subkeys, Values };

struct Call {
  Read read;
  RegistryRoot root;
  RegistryView view;
  std::string path;
  std::string name;
};

class RecordingKeys final : public RegistryRoutines {
 public:
  RecordingKeys(RegistryRoutines& keys, std::vector<Call>& calls) : keys_(keys), calls_(calls) {}
  Result<std::optional<RawRegistryValue>> QueryValue(RegistryRoot root, std::string_view path,
                                                     std::string_view name,
                                                     RegistryView view) override {
    calls_.push_back({Read::Value, root, view, std::string(path), std::string(name)});
    return keys_.QueryValue(root, path, name, view);
  }
  Result<std::vector<std::string>> SubkeyNames(RegistryRoot root, std::string_view path,
                                               RegistryView view) override {
    calls_.push_back({Read::Subkeys, root, view, std::string(path), {}});
    return keys_.SubkeyNames(root, path, view);
  }
  Result<std::vector<NamedRegistryValue>> Values(RegistryRoot root, std::string_view path,
                                                 RegistryView view) override {
    calls_.push_back({Read::Values, root, view, std::string(path), {}});
    return keys_.Values(root, path, view);
  }
  std::string ExpandEnvironment(std::string_view text) override {
    return keys_.ExpandEnvironment(text);
  }

 private:
  RegistryRoutines& keys_;
  std::vector<Call>& calls_;
};

// Each recorded call made again, its answer taken and dropped; what was read, so nothing is
// left out.
std::size_t Replay(const std::vector<Call>& calls, RegistryRoutines& keys) {
  std::size_t read = 0;
  for (const Call& call : calls) {
    switch (call.read) {
      case Read::Value:
        read += keys.QueryValue(call.root, call.path, call.name, call.view).value.has_value();
        break;
      case Read::Subkeys:
        read += keys.SubkeyNames(call.root, call.path, call.view).value.size();
        break;
      case Read::Values: read += keys.Values(call.root, call.path, call.view).value.size(); break;
    }
  }
  return read;
}

template <typename Work>
double Ms(Work work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

std::size_t Collect(Machine& machine, RegistryRoutines& keys, DetailLevel level) {
  ReportWriter report(std::make_unique<DiscardingSink>());
  CollectUserSoftware(report, {keys, machine.profiles, machine.installer}, level);
  return report.LinesWritten();
}

}  // namespace
}  // namespace sysinfo

int main() {
  using namespace sysinfo;
  Machine machine;
  std::printf("User Software over %d per-user programs in %d loaded hives, %d installer products"
              " (best of %d):\n",
              kPrograms, kLoadedUsers, kInstallerProducts, kRepeats);
  for (DetailLevel level : kDetailLevels) {
    std::vector<Call> calls;
    RecordingKeys recording(machine.keys, calls);
    const std::size_t lines = Collect(machine, recording, level);
    const double peak = bench::PeakHeapBytes([&] { Collect(machine, machine.keys, level); });
    double category = 1e30, reads = 1e30;
    std::size_t read = 0;
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
      category = std::min(category, Ms([&] { Collect(machine, machine.keys, level); }));
      reads = std::min(reads, Ms([&] { read += Replay(calls, machine.keys); }));
    }
    if (read == 0) std::puts("nothing read");
    const double programs = kPrograms;
    std::printf("%-8s %zu lines %7.2f ms %6.2f us/program %6.0f bytes/program peak | registry"
                " reads alone %6.2f ms (%5.2f calls/program), ratio %4.2f\n",
                std::string(LevelCaption(level)).c_str(), lines, category,
                1000.0 * category / programs, peak / programs, reads,
                static_cast<double>(calls.size()) / programs, category / reads);
  }
  return 0;
}
