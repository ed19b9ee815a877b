#include <gtest/gtest.h>

#include "app/format.h"
#include "tests/fakes/memory_report.h"
#include "tests/wine/wine_support.h"

#include <windows.h>

#include <algorithm>

namespace sysinfo {
namespace {

using testing::FileExists;
using testing::ReadWholeFile;
using testing::RunProgram;
using testing::SplitLines;
using testing::TempFolder;

constexpr const char* kRunner = "sysinfo-report.exe";

TEST(Runner, WritesBothSectionsAtEachLevel) {
  TempFolder folder;
  const char* levels[] = {"basic", "moderate", "advanced"};
  const char* captions[] = {"Basic", "Moderate", "Advanced"};
  std::size_t previousSize = 0;
  for (int i = 0; i < 3; ++i) {
    const std::string out = folder.File(std::string("report-") + levels[i] + ".txt");
    const auto run = RunProgram(kRunner, {"--out", out, "--level", levels[i], "--category",
                                          "Computer System", "--category", "Operating System"});
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(out, bytes));
    ASSERT_FALSE(bytes.empty());
    EXPECT_NE(static_cast<unsigned char>(bytes[0]), 0xEF);  // no byte-order mark
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    // Every line feed belongs to a CR LF pair.
    for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1)) {
      ASSERT_GT(at, 0u);
      ASSERT_EQ(bytes[at - 1], '\r');
    }
    const auto lines = SplitLines(bytes);
    ASSERT_GT(lines.size(), 12u);
    EXPECT_EQ(lines[0], "Veltrix - System Information v1.0.2");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2].rfind("Date: ", 0), 0u);
    EXPECT_EQ(lines[3].rfind("Time: ", 0), 0u);
    EXPECT_EQ(lines[5], "1. Operating System");
    EXPECT_EQ(lines[6], "2. Computer System");
    EXPECT_EQ(lines[8], std::string(SeparatorLine));
    EXPECT_EQ(lines[9], std::string("1. Operating System (Detail Level: ") + captions[i] + ") Start");
    const auto csStart = std::find(lines.begin(), lines.end(),
                                   std::string("2. Computer System (Detail Level: ") + captions[i] + ") Start");
    ASSERT_NE(csStart, lines.end());
    EXPECT_NE(std::find(lines.begin(), csStart, "1. Operating System End"), csStart);
    EXPECT_EQ(lines[lines.size() - 2], "2. Computer System End");
    EXPECT_GT(bytes.size(), previousSize);  // each level adds lines
    previousSize = bytes.size();
  }
}

TEST(Runner, AMissingFolderIsAFailureAndLeavesNoFile) {
  TempFolder folder;
  const std::string out = folder.File("no-such-folder\\report.txt");
  const auto run = RunProgram(kRunner, {"--out", out, "--all"});
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_NE(run.output.find(out), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("cannot write"), std::string::npos) << run.output;
  EXPECT_FALSE(FileExists(out));
}

TEST(Runner, APathThatNamesAFolderIsAFailure) {
  TempFolder folder;
  const auto run = RunProgram(kRunner, {"--out", folder.path(), "--category", "CPU"});
  EXPECT_EQ(run.exitCode, 1u) << run.output;
  EXPECT_NE(run.output.find(folder.path()), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("Report saved"), std::string::npos);
}

TEST(Runner, BadOptionsPrintTheUsage) {
  const auto unknown = RunProgram(kRunner, {"--out", "x.txt", "--category", "Memory"});
  EXPECT_EQ(unknown.exitCode, 2u);
  EXPECT_NE(unknown.output.find("unknown category"), std::string::npos) << unknown.output;
  EXPECT_NE(unknown.output.find("Suspicious Files!"), std::string::npos);

  const auto help = RunProgram(kRunner, {"--help"});
  EXPECT_EQ(help.exitCode, 0u);
  EXPECT_NE(help.output.find("Memory (Ram)"), std::string::npos);
}

}  // namespace
}  // namespace sysinfo
