#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/format.h"
#include "app/handles_win.h"
#include "app/hosts_path_win.h"
#include "app/special_folders_win.h"
#include "app/unicode_win.h"
#include "collectors/hosts_file_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/wine/test_keys.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using testing::CapturedReport;
using testing::ReadWholeFile;
using testing::RunProgram;
using testing::SavedValue;
using testing::SplitLines;
using testing::TempFolder;

const std::wstring kTcpip = L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const std::string kSeparator(SeparatorLine);

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  UniqueHandle file = AdoptHandle(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                           nullptr) &&
         written == bytes.size();
}

TEST(HostsFileOnWine, CopiesAFileAnotherProgramHoldsOpen) {
  TempFolder folder;
  const std::string path = folder.File("hosts");
  ASSERT_TRUE(WriteFileBytes(path,
                             "# Copyright\r\n\r\n   127.0.0.1       localhost\r\n::1 a\nb\rlast"));
  // An editor that has the file open for writing must not keep the section from reading it.
  UniqueHandle editor = AdoptHandle(CreateFileW(Utf8ToWide(path).c_str(),
                                                GENERIC_READ | GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(editor);

  CapturedReport report;
  CollectHostsFile(report.writer(), path);
  EXPECT_EQ(report.Lines(), (std::vector<std::string>{"# Copyright", "", "   127.0.0.1       localhost",
                                                      "::1 a\nb", "last", kSeparator}));
}

TEST(HostsFileOnWine, AMissingFileGivesTheSeparatorOnly) {
  TempFolder folder;
  CapturedReport report;
  CollectHostsFile(report.writer(), folder.File("no-such-folder\\hosts"));
  EXPECT_EQ(report.Lines(), std::vector<std::string>{kSeparator});
}

TEST(HostsFileOnWine, PathFromDataBasePathExpandedOrTheWindowsFolder) {
  SavedValue saved(HKEY_LOCAL_MACHINE, kTcpip, L"DataBasePath");
  const std::wstring stored = L"%SystemRoot%\\Sysinfo-Test-Folder-With-A-Long-Name\\etc";
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, kTcpip.c_str(), L"DataBasePath", REG_EXPAND_SZ,
                  stored.c_str(), static_cast<DWORD>((stored.size() + 1) * sizeof(wchar_t)));
  wchar_t systemRoot[MAX_PATH] = {};
  GetEnvironmentVariableW(L"SystemRoot", systemRoot, MAX_PATH);
  EXPECT_EQ(FindHostsFilePath(),
            WideToUtf8(systemRoot) + "\\Sysinfo-Test-Folder-With-A-Long-Name\\etc\\hosts");

  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kTcpip.c_str(), L"DataBasePath");
  EXPECT_EQ(FindHostsFilePath(), GetSpecialFolder(kFolderWindows) + "\\System32\\drivers\\etc\\hosts");
}

// The runner finds the hosts file through the registry, names it in the start line and copies
// its bytes unchanged (the report is in the same code page as the file); the two registry
// sections follow in check-list order.
TEST(HostsFileOnWine, RunnerWritesTheThreeSections) {
  TempFolder folder;
  SavedValue saved(HKEY_LOCAL_MACHINE, kTcpip, L"DataBasePath");
  testing::WriteText(HKEY_LOCAL_MACHINE, kTcpip, L"DataBasePath", Utf8ToWide(folder.path()));
  ASSERT_TRUE(WriteFileBytes(folder.File("hosts"), "# caf\xE9\r\n10.0.0.1 server\r\n"));

  const std::string out = folder.File("report.txt");
  const auto run = RunProgram("sysinfo-report.exe",
                              {"--out", out, "--level", "basic", "--category", "Software",
                               "--category", "Proxy Info", "--category", "Host File Info"});
  ASSERT_EQ(run.exitCode, 0u) << run.output;
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(out, bytes));
  const auto lines = SplitLines(bytes);

  const auto hosts = std::find(lines.begin(), lines.end(),
                               "1. Host File Info Start (" + folder.File("hosts") + ")");
  ASSERT_GE(lines.end() - hosts, 7);
  EXPECT_EQ(std::vector<std::string>(hosts + 1, hosts + 7),
            (std::vector<std::string>{kSeparator, "# caf\xE9", "10.0.0.1 server", kSeparator,
                                      "1. Host File Info End", kSeparator}));

  const auto proxy = std::find(lines.begin(), lines.end(), "2. Proxy Info Start");
  ASSERT_GE(lines.end() - proxy, 23);
  EXPECT_EQ(proxy[2], "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]");
  EXPECT_EQ(proxy[20], "2. Proxy Info End");

  const auto software = std::find(lines.begin(), lines.end(), "3. Software (Detail Level: Basic) Start");
  ASSERT_NE(software, lines.end());
  EXPECT_EQ(lines[lines.size() - 2], "3. Software End");
  // Whole six-line blocks between the frame lines.
  EXPECT_EQ((lines.end() - 2 - (software + 2)) % 6, 0);
}

}  // namespace
}  // namespace sysinfo
