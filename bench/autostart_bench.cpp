// Autostart Entries over 2,500 to 10,000 Run values and 250 to 1,000 tasks (fake sources): the
// category's time and peak heap at each size, against the registry and task reads alone.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <unordered_set>

#include "base/levels.h"
#include "report/report.h"
#include "collectors/autostart.h"
#include "collectors/file_examinations.h"
#include "tests/fakes/fake_registry.h"

#ifdef _WIN32
#include <windows.h>

#include "support/registry_win.h"
#endif

namespace {

// Heap bytes in use and their peak, counted by the replaced global operator new below.
std::atomic<std::size_t> heapNow{0};
std::atomic<std::size_t> heapPeak{0};

}  // namespace

void* operator new(std::size_t size) {
  void* block = std::malloc(size + sizeof(std::max_align_t));
  if (!block) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  const std::size_t now = heapNow += size;
  std::size_t peak = heapPeak;
  while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
  }
  return static_cast<char*>(block) + sizeof(std::max_align_t);
}

void operator delete(void* pointer) noexcept {
  if (!pointer) return;
  // Through an integer, so the compiler sees no operator new's pointer given to free.
  auto* block = reinterpret_cast<std::size_t*>(reinterpret_cast<std::uintptr_t>(pointer) -
                                               sizeof(std::max_align_t));
  heapNow -= *block;
  std::free(block);
}

void operator delete(void* pointer, std::size_t) noexcept { operator delete(pointer); }

namespace sysinfo {
namespace {

constexpr int kRepeats = 5;  // the best of several runs, to keep other work on the machine out
const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class DiscardingSink final : public ReportSink {
 public:
  Status Write(std::string_view) override { return std::nullopt; }
  Status Close() override { return std::nullopt; }
};

// Tasks and files from tables; every image is there, signed, with a version.
class BenchSystem final : public AutostartSystem {
 public:
  std::unordered_set<std::string> files;
  std::vector<ScheduledTask> tasks;

  std::string WindowsFolder() override { return "C:\\Windows"; }
  std::string CurrentUserSid() override { return "S-1-5-21-1-1-1-1000"; }
  std::string CommonStartupFolder() override { return {}; }
  std::string UserStartupFolder() override { return {}; }
  Result<std::vector<StartupFile>> StartupFiles(const std::string&) override { return {}; }
  Result<std::vector<ScheduledTask>> ScheduledTasks() override { return {tasks, {}}; }
  Result<std::vector<TaskFile>> TaskFiles() override { return {}; }
  Result<std::optional<std::vector<EventSubscription>>> EventSubscriptions(
      std::string_view) override {
    return {};
  }
  Result<std::vector<BitsJob>> BitsJobs() override { return {}; }
  Result<std::optional<std::string>> SmallFile(const std::string&, std::size_t) override {
    return {};
  }
  bool IsFile(const std::string& path) override { return files.count(path) > 0; }
  FileTimes Times(const std::string&) override {
    return {std::string("Monday"), std::string("Tuesday")};
  }
  SourceValue TimeText(std::uint64_t) override { return std::string("Wednesday"); }
};

// What reading an image tells: signed, with a version.
class BenchFiles final : public SuspiciousFileSource {
 public:
  std::string SpecialFolder(int) override { return {}; }
  FolderListing FindEntries(const std::string&) override { return {}; }
  VersionStrings Version(const std::string&) override {
    VersionStrings version;
    version.companyName = "Maker";
    version.fileVersion = "1.0.0.1";
    return version;
  }
  FileChecksums Checksums(const std::string&) override { return {"CRC", "MD5"}; }
  FileChecksums ChecksumsWithSha256(const std::string&) override {
    return {"CRC", "MD5", std::string(64, 'A')};
  }
  std::optional<FileSignature> Signature(const std::string&) override {
    return FileSignature{SignatureStatus::Signed, "Maker", false, ""};
  }
};

// The category as a scan runs it, its files read afresh.
void Collect(AutostartSources& sources) {
  sources.examined.BeginScan(true);
  ReportWriter report(std::make_unique<DiscardingSink>());
  CollectAutostartEntries(report, sources, DetailLevel::Advanced);
}

// Two values (and two task actions) name each image, quoted and not.
void Fill(testing::FakeRegistry& keys, BenchSystem& system, int values, int tasks) {
  for (int i = 0; i < values; ++i) {
    const std::string image = "C:\\Program Files\\Vendor " + std::to_string(i / 2) + "\\app.exe";
    system.files.insert(image);
    const std::string command = i % 2 ? "\"" + image + "\" /background" : image + " -tray";
    keys.Set(RegistryRoot::LocalMachine, kRun, "Entry" + std::to_string(i), testing::Text(command));
  }
  for (int i = 0; i < tasks; ++i) {
    const std::string image = "C:\\Tasks\\job" + std::to_string(i / 2) + ".exe";
    system.files.insert(image);
    system.tasks.push_back({"\\Vendor" + std::to_string(i % 10),
                            "Task" + std::to_string(i),
                            true,
                            {image + " /run"},
                            {{9, "", true}, {2, "2024-01-01T03:00:00", true}}});
  }
}

template <typename Work>
double BestMs(Work work) {
  double best = 1e30;
  for (int repeat = 0; repeat < kRepeats; ++repeat) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

void Measure(int values, int tasks) {
  testing::FakeRegistry keys;
  BenchSystem system;
  Fill(keys, system, values, tasks);
  BenchFiles files;
  FileExaminations examined(files);
  AutostartSources sources{keys, system, examined};
  // The data access alone: the Run key's values and the task list, as the category reads them.
  const double reads = BestMs([&] {
    const auto runValues = keys.Values(RegistryRoot::LocalMachine, kRun, RegistryView::Only64Bit);
    const auto taskList = system.ScheduledTasks();
    if (runValues.value.size() + taskList.value.size() == 0) std::puts("nothing read");
  });
  const double category = BestMs([&] { Collect(sources); });
  examined.BeginScan(true);  // the last run's record freed before the count starts
  const std::size_t before = heapNow;
  heapPeak = before;
  Collect(sources);
  const double peakMb = static_cast<double>(heapPeak - before) / (1024.0 * 1024.0);
  std::printf("%6d values %5d tasks: category %8.2f ms (%5.2f us/entry), reads alone %7.2f ms,"
              " ratio %5.1f; peak heap %6.2f MB (%4.0f bytes/entry)\n",
              values, tasks, category, 1000.0 * category / (values + tasks), reads,
              category / reads, peakMb, peakMb * 1024 * 1024 / (values + tasks));
}

#ifdef _WIN32
// The same over the real registry: the values planted in the current user's Run key (and
// removed again), the tasks and files still from tables. The baseline is the read of that key.
void MeasureOnRegistry(int values, int tasks) {
  const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  testing::FakeRegistry unused;
  BenchSystem system;
  Fill(unused, system, values, tasks);
  for (int i = 0; i < values; ++i) {
    const std::wstring name = L"SysinfoBench" + std::to_wstring(i);
    const std::wstring command = L"C:\\Program Files\\Vendor " + std::to_wstring(i / 2) +
                                 L"\\app.exe";
    RegSetKeyValueW(HKEY_CURRENT_USER, run.c_str(), name.c_str(), REG_SZ, command.c_str(),
                    static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  }
  WindowsRegistry keys;
  BenchFiles files;
  FileExaminations examined(files);
  AutostartSources sources{keys, system, examined};
  const double reads = BestMs([&] {
    const auto runValues = keys.Values(RegistryRoot::CurrentUser,
                                       "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                       RegistryView::Only64Bit);
    const auto taskList = system.ScheduledTasks();
    if (runValues.value.size() + taskList.value.size() == 0) std::puts("nothing read");
  });
  const double category = BestMs([&] { Collect(sources); });
  std::printf("%6d values %5d tasks on the registry: category %8.2f ms (%5.2f us/entry),"
              " reads alone %7.2f ms, ratio %5.1f\n",
              values, tasks, category, 1000.0 * category / (values + tasks), reads,
              category / reads);
  for (int i = 0; i < values; ++i) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, run.c_str(),
                       (L"SysinfoBench" + std::to_wstring(i)).c_str());
  }
}
#endif

}  // namespace
}  // namespace sysinfo

int main() {
  std::puts("Autostart Entries at Advanced, fake sources (best of 5):");
  for (int scale : {1, 2, 4}) sysinfo::Measure(2'500 * scale, 250 * scale);
#ifdef _WIN32
  for (int scale : {1, 2, 4}) sysinfo::MeasureOnRegistry(2'500 * scale, 250 * scale);
#endif
  return 0;
}
