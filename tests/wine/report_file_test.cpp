#include <gtest/gtest.h>

#include <windows.h>

#include "app/report_file_win.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using testing::FileExists;
using testing::ReadWholeFile;
using testing::TempFolder;

TEST(FileReport, WritesAnsiCrLfWithoutByteOrderMark) {
  ASSERT_EQ(GetACP(), 1252u) << "the expected bytes below are for code page 1252";
  TempFolder folder;
  // A name outside the ANSI code page still names the file (wide calls inside).
  const std::string path = folder.File("Bericht-\xE6\x97\xA5\xE6\x9C\xAC-caf\xC3\xA9.txt");
  std::string reason;
  {
    ReportWriter report(CreateFileReport(path, reason));
    ASSERT_EQ(reason, "");
    report.WriteReportLine("caf\xC3\xA9 \xE2\x82\xAC");  // "café €" in UTF-8
    report.WriteReportLine("");
    EXPECT_TRUE(report.CloseReport());
  }
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "caf\xE9 \x80\r\n\r\n");
}

TEST(FileReport, TruncatesAnExistingReport) {
  TempFolder folder;
  const std::string path = folder.File("report.txt");
  std::string reason;
  for (const char* text : {"a much longer first report", "short"}) {
    ReportWriter report(CreateFileReport(path, reason));
    report.WriteReportLine(text);
  }
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "short\r\n");
}

TEST(FileReport, AMissingFolderGivesTheSystemsReason) {
  TempFolder folder;
  const std::string path = folder.File("missing\\report.txt");
  std::string reason;
  EXPECT_EQ(CreateFileReport(path, reason), nullptr);
  EXPECT_NE(reason, "");
  EXPECT_FALSE(FileExists(path));
}

}  // namespace
}  // namespace sysinfo
