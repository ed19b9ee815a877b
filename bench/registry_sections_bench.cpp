// The Software and Host File Info sections against the bare Win32 reads they wrap.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/handles_win.h"
#include "report/report.h"
#include "report/report_file_win.h"
#include "base/unicode_win.h"
#include "collectors/collectors.h"
#include "collectors/hosts_file_win.h"
#include "support/registry_win.h"
#include "tests/wine/test_keys.h"

namespace sysinfo {
namespace {

using Clock = std::chrono::steady_clock;

class NullSink final : public ReportSink {
 public:
  Status Write(std::string_view) override { return std::nullopt; }
  Status Close() override { return std::nullopt; }
};

double Milliseconds(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

const wchar_t* const kValueNames[] = {
    L"DisplayName",          L"Contact",         L"DisplayIcon",  L"DisplayVersion", L"HelpLink",
    L"InstallLocation",      L"InstallDate",     L"NoModify",     L"NoRepair",       L"Publisher",
    L"QuietUninstallString", L"UninstallString", L"URLInfoAbout", L"URLUpdateInfo"};
const std::wstring kUninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Enumerates both Uninstall views and queries every value of every entry, nothing else.
std::size_t BareUninstallReads() {
  std::size_t values = 0;
  for (REGSAM view : {REGSAM{KEY_WOW64_64KEY}, REGSAM{KEY_WOW64_32KEY}}) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstall.c_str(), 0, KEY_READ | view, &opened))
      continue;
    const UniqueKey uninstall(opened);
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
      DWORD length = 256;
      if (RegEnumKeyExW(uninstall.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr))
        break;
      HKEY entry = nullptr;
      if (RegOpenKeyExW(uninstall.get(), name, 0, KEY_READ, &entry)) continue;
      const UniqueKey ownedEntry(entry);
      for (const wchar_t* value : kValueNames) {
        BYTE data[1024];
        DWORD size = sizeof data;
        if (RegQueryValueExW(entry, value, nullptr, nullptr, data, &size) == ERROR_SUCCESS)
          ++values;
      }
    }
  }
  return values;
}

void BenchSoftware(int entriesPerView) {
  std::vector<std::unique_ptr<testing::TestKey>> keys;
  for (REGSAM view : {REGSAM{KEY_WOW64_64KEY}, REGSAM{KEY_WOW64_32KEY}}) {
    for (int i = 0; i < entriesPerView; ++i) {
      auto key = std::make_unique<testing::TestKey>(
          HKEY_LOCAL_MACHINE, kUninstall + L"\\BenchEntry" + std::to_wstring(i), view);
      for (const wchar_t* value : kValueNames) {
        key->SetText(value, std::wstring(value) + L" of entry " + std::to_wstring(i));
      }
      keys.push_back(std::move(key));
    }
  }
  auto started = Clock::now();
  const std::size_t values = BareUninstallReads();
  const double bare = Milliseconds(started);

  WindowsRegistry registry;
  ReportWriter report(std::make_unique<NullSink>());
  started = Clock::now();
  CollectSoftware(report, registry, DetailLevel::Advanced);
  const double section = Milliseconds(started);
  std::printf("Software: %d entries per view, %zu values; bare reads %.1f ms, section %.1f ms, "
              "ratio %.2f, %zu lines\n",
              entriesPerView, values, bare, section, section / bare, report.LinesWritten());
}

std::size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize;
}

// A file of many short lines, or (oneLine) a single line of the whole size.
void BenchHosts(std::size_t megabytes, bool oneLine) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"sysinfo-bench-hosts";
  {
    UniqueHandle file = AdoptHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string block;
    for (int i = 0; !oneLine && block.size() < (1u << 20); ++i) {
      block += "10.0." + std::to_string(i % 256) + ".1    host-" + std::to_string(i) +
               ".example\r\n";
    }
    if (oneLine) block.assign(1u << 20, 'a');
    for (std::size_t i = 0; i < megabytes; ++i) {
      DWORD written = 0;
      WriteFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
    }
  }
  // The baseline copies the file into another in chunks; the section writes a real report.
  const std::wstring copyPath = path + L".txt";
  auto started = Clock::now();
  std::size_t lineEnds = 0;
  {
    UniqueHandle file = AdoptHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
    UniqueHandle copy = AdoptHandle(CreateFileW(copyPath.c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::vector<char> buffer(64 * 1024);
    DWORD read = 0;
    while (ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) &&
           read) {
      for (DWORD i = 0; i < read; ++i) lineEnds += buffer[i] == '\n';
      DWORD written = 0;
      WriteFile(copy.get(), buffer.data(), read, &written, nullptr);
    }
  }
  const double bare = Milliseconds(started);

  const std::size_t peakBefore = PeakWorkingSet();
  ReportWriter report(CreateFileReport(WideToUtf8(copyPath)).value);
  started = Clock::now();
  WindowsHostsFile hosts(WideToUtf8(path));
  CollectHostsFile(report, hosts);
  report.CloseReport();
  const double section = Milliseconds(started);
  const std::size_t peakAfter = PeakWorkingSet();
  DeleteFileW(path.c_str());
  DeleteFileW(copyPath.c_str());
  std::printf("Hosts: %zu MB, %zu lines (%zu line ends); bare read %.1f ms, section %.1f ms, "
              "ratio %.2f; peak working set %.1f MB before, %.1f MB after\n",
              megabytes, report.LinesWritten() - 1, lineEnds, bare, section, section / bare,
              peakBefore / 1048576.0, peakAfter / 1048576.0);
}

}  // namespace
}  // namespace sysinfo

int main() {
  sysinfo::BenchSoftware(300);
  sysinfo::BenchHosts(100, false);
  sysinfo::BenchHosts(100, true);
  return 0;
}
