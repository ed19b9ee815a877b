// Faults injected mid-report: each ends only its own piece, or fails the run with its reason.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "base/handles_win.h"
#include "base/report_file_win.h"
#include "base/special_folders_win.h"
#include "base/unicode_win.h"
#include "collectors/collectors.h"
#include "collectors/file_examinations.h"
#include "collectors/hosts_file_win.h"
#include "collectors/suspicious_files_win.h"
#include "support/registry_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/wine/test_keys.h"
#include "tests/wine/wine_support.h"
#include "tools/runner_win.h"

namespace sysinfo {
namespace {

using namespace testing;

// Passes whole lines to the real file until the chosen line, then fails like a full disk.
class FailingAtLine final : public ReportSink {
 public:
  FailingAtLine(std::unique_ptr<ReportSink> file, std::size_t failingLine)
      : file_(std::move(file)), failingLine_(failingLine) {}

  std::optional<std::string> Write(std::string_view text) override {
    for (std::size_t start = 0; start < text.size(); start = text.find("\r\n", start) + 2) {
      if (++line_ == failingLine_) {
        if (auto error = file_->Write(text.substr(0, start))) return error;
        return "There is not enough space on the disk.";
      }
    }
    return file_->Write(text);
  }
  std::optional<std::string> Close() override { return file_->Close(); }

 private:
  std::unique_ptr<ReportSink> file_;
  std::size_t failingLine_;
  std::size_t line_ = 0;
};

// What the runner wrote to a stream, read back from the start.
std::string ReadStream(std::FILE* stream) {
  std::string text(1 << 16, '\0');
  std::rewind(stream);
  text.resize(std::fread(text.data(), 1, text.size(), stream));
  std::fclose(stream);
  return text;
}

TEST(ReportFaults, AWriteThatFailsAtALineKeepsEveryLineBeforeIt) {
  TempFolder folder;
  const std::string path = folder.File("report.txt");
  for (const std::size_t failingLine : {1u, 12u, 40u}) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(
        RunReportCommand(
            {"--out", path, "--all", "--level", "advanced"},
            [failingLine](const std::string& at) -> OpenedReport {
              return {std::make_unique<FailingAtLine>(CreateFileReport(at).value, failingLine), {}};
            },
            out, err),
        1);
    const std::string told = ReadStream(err);
    EXPECT_NE(told.find("There is not enough space on the disk."), std::string::npos) << told;
    EXPECT_NE(told.find(path), std::string::npos);
    EXPECT_EQ(ReadStream(out).find("Report saved"), std::string::npos);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes));
    const Lines lines = SplitLines(bytes);
    EXPECT_EQ(lines.size(), failingLine - 1);
    if (!lines.empty()) EXPECT_EQ(lines.front(), "Veltrix - System Information v1.0.2");
    EXPECT_TRUE(bytes.empty() || bytes.ends_with("\r\n"));
  }
}

// An editor holding the file open does not keep the section from copying it (with every kind of
// line end); a program that locks it out, or its removal, leaves the separator alone.
TEST(HostsFaults, AFileHeldOpenIsCopiedALockedOrVanishedOneGivesTheSeparatorAlone) {
  TempFolder folder;
  const std::string path = folder.File("hosts");
  ASSERT_TRUE(
      WriteWholeFile(path, "# Copyright\r\n\r\n   127.0.0.1       localhost\r\n::1 a\nb\rlast"));
  const auto collect = [&path] {
    CapturedReport report;
    CollectHostsFile(report.writer(), path);
    return report.Lines();
  };
  for (const DWORD share : {DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}, DWORD{0}}) {
    const UniqueHandle other = AdoptHandle(CreateFileW(Utf8ToWide(path).c_str(),
                                                       GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                                       OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(other);
    const Lines copied{"# Copyright", "",        "   127.0.0.1       localhost", "::1 a", "b",
                       "last",        kSeparator};
    EXPECT_EQ(collect(), share ? copied : Lines{kSeparator});
  }
  ASSERT_TRUE(DeleteFileW(Utf8ToWide(path).c_str()));
  EXPECT_EQ(collect(), Lines{kSeparator});
}

// A value holding line breaks and what would follow them (a separator, a record of its own), in
// each place a program or a user can put one, stays on its own line with the breaks as markers.
TEST(ForgedValues, AValueWithALineBreakStaysOnItsOwnLine) {
  const std::wstring forged = L"x\r\n" + Utf8ToWide(kSeparator) + L"\r\n1. Proxy Info End";
  const std::string shown = "x<U+000D><U+000A>" + kSeparator + "<U+000D><U+000A>1. Proxy Info End";
  const std::wstring settings = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  SavedValue saved(HKEY_CURRENT_USER, settings, L"ProxyServer");
  WriteText(HKEY_CURRENT_USER, settings, L"ProxyServer", forged);
  TestKey entry(HKEY_LOCAL_MACHINE,
                L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SysinfoForged",
                KEY_WOW64_64KEY);
  entry.SetText(L"DisplayName", forged);
  PlacedFiles placed;  // its company name is the same forged text
  placed.Copy("version_forged.dll",
              GetSpecialFolder(kFolderRoamingAppData) + "\\sysinfo-test-forged.dll");

  WindowsRegistry keys;
  CapturedReport report;
  CollectProxyInfo(report.writer(), keys);
  CollectSoftware(report.writer(), keys, 1);
  DiskFileSource files;
  FileExaminations examined(files);
  CollectSuspiciousFiles(report.writer(), files, examined, 3);
  const Lines lines = report.Lines();
  for (const std::string& line :
       {"ProxyServer = " + shown, "Display Name: " + shown, "Company: " + shown}) {
    EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << line;
  }
}

}  // namespace
}  // namespace sysinfo
