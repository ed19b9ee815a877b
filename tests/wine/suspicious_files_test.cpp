#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <vector>

#include "app/format.h"
#include "app/handles_win.h"
#include "app/locale_win.h"
#include "app/special_folders_win.h"
#include "app/unicode_win.h"
#include "collectors/suspicious_files_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using testing::CapturedReport;
using testing::ProgramFolder;
using testing::ReadWholeFile;
using testing::RunProgram;
using testing::SplitLines;
using testing::TempFolder;
using Lines = std::vector<std::string>;

const std::string kSeparator(SeparatorLine);
const std::string kPlace = "-Suspicious File Location-";
const std::string kNoVersion = "-Has No File Version-";

std::string Folder(int csidl) { return GetSpecialFolder(csidl) + "\\"; }
std::string DriversFolder() { return Folder(kFolderWindows) + "System32\\Drivers\\"; }

// Files the test puts into the prefix's real folders, removed again at scope end.
class PlacedFiles {
 public:
  PlacedFiles() = default;
  PlacedFiles(const PlacedFiles&) = delete;
  PlacedFiles& operator=(const PlacedFiles&) = delete;
  ~PlacedFiles() {
    for (auto it = paths_.rbegin(); it != paths_.rend(); ++it) {
      const std::wstring path = Utf8ToWide(*it);
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
    }
  }

  std::string Write(const std::string& path, const std::string& bytes, DWORD attributes = 0) {
    paths_.push_back(path);
    const UniqueHandle file = AdoptHandle(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0,
                                                      nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_TRUE(file) << path;
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (attributes) SetFileAttributesW(Utf8ToWide(path).c_str(), attributes);
    return path;
  }
  std::string CopyBinary(const char* binary, const std::string& path) {
    paths_.push_back(path);
    EXPECT_TRUE(CopyFileW(Utf8ToWide(ProgramFolder() + "\\" + binary + ".dll").c_str(),
                          Utf8ToWide(path).c_str(), FALSE))
        << path;
    return path;
  }
  std::string MakeFolder(const std::string& path) {
    paths_.push_back(path);
    CreateDirectoryW(Utf8ToWide(path).c_str(), nullptr);
    return path;
  }

 private:
  std::vector<std::string> paths_;
};

// The block of the named file: from its reason line to its separator; empty when not listed.
Lines BlockOf(const Lines& lines, const std::string& name) {
  const auto nameLine = std::find(lines.begin(), lines.end(), "File Name: " + name);
  if (nameLine == lines.end() || nameLine == lines.begin()) return {};
  const auto end = std::find(nameLine, lines.end(), kSeparator);
  return Lines(nameLine - 1, end == lines.end() ? end : end + 1);
}

Lines Collect(int level) {
  CapturedReport report;
  CollectSuspiciousFiles(report.writer(), level);
  return report.Lines();
}

std::string TimeText(const FILETIME& time) { return FormatLongDateTime(*FileTimeToLocalDate(time)); }

WIN32_FIND_DATAW FindData(const std::string& path) {
  WIN32_FIND_DATAW data{};
  const HANDLE search = FindFirstFileW(Utf8ToWide(path).c_str(), &data);
  EXPECT_NE(search, INVALID_HANDLE_VALUE) << path;
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  return data;
}

TEST(SuspiciousFilesOnDisk, ListsProgramFilesInAppDataAndDriversWithoutVersion) {
  PlacedFiles placed;
  const std::string hidden = placed.Write(Folder(kFolderRoamingAppData) + "sysinfo-test-hidden.exe",
                                          "hidden program", FILE_ATTRIBUTE_HIDDEN);
  const std::string sub = placed.MakeFolder(Folder(kFolderRoamingAppData) + "sysinfo-test-sub");
  placed.Write(sub + "\\sysinfo-test-nested.exe", "nested");
  placed.Write(Folder(kFolderLocalAppData) + "sysinfo-test-local.dll", "local library");
  placed.Write(Folder(kFolderCommonAppData) + "sysinfo-test-common.dll", "common library");
  placed.CopyBinary("version_none", DriversFolder() + "sysinfo-test-nover.sys");
  placed.CopyBinary("version_blank", DriversFolder() + "sysinfo-test-blank.sys");
  placed.CopyBinary("version_full", DriversFolder() + "sysinfo-test-versioned.sys");

  // Taken before the scan: reading the file may move its access time.
  const WIN32_FIND_DATAW found = FindData(hidden);
  const Lines lines = Collect(3);

  const Lines hiddenBlock = BlockOf(lines, "sysinfo-test-hidden.exe");
  ASSERT_EQ(hiddenBlock.size(), 18u) << ::testing::PrintToString(lines);
  const Lines expected{
      kPlace,
      "File Name: sysinfo-test-hidden.exe",
      "CRC-32: 7998D50D",
      "MD5 Hash: FA39569FE4D0E000237E068C4717522D",
      "File Hidden?: Hidden",
      "Created: " + TimeText(found.ftCreationTime),
      hiddenBlock[6],  // the access time, checked below
      "Modified: " + TimeText(found.ftLastWriteTime),
      "File Size: 14 Bytes",
      "File Path: " + hidden,
      "File Version: ",
      "Product Version: ",
      "Company: ",
      "Description: ",
      "Internal Name: ",
      "Original File name: ",
      "Product Name: ",
      kSeparator,
  };
  EXPECT_EQ(hiddenBlock, expected);
  EXPECT_GT(hiddenBlock[6].size(), std::string("Accessed: ").size());
  EXPECT_EQ(hiddenBlock[6].rfind("Accessed: ", 0), 0u);

  EXPECT_TRUE(BlockOf(lines, "sysinfo-test-nested.exe").empty());
  EXPECT_TRUE(BlockOf(lines, "sysinfo-test-sub").empty());
  EXPECT_TRUE(BlockOf(lines, "sysinfo-test-versioned.sys").empty());
  for (const char* name : {"sysinfo-test-local.dll", "sysinfo-test-common.dll"}) {
    const Lines block = BlockOf(lines, name);
    ASSERT_EQ(block.size(), 18u) << name;
    EXPECT_EQ(block[0], kPlace);
    EXPECT_EQ(block[4], "File Hidden?: Not Hidden");
  }

  const Lines blank = BlockOf(lines, "sysinfo-test-blank.sys");
  ASSERT_EQ(blank.size(), 18u);
  EXPECT_EQ(blank[0], kNoVersion);
  EXPECT_EQ(blank[9], "File Path: " + DriversFolder() + "sysinfo-test-blank.sys");
  EXPECT_EQ(blank[10], "File Version:    ");
  EXPECT_EQ(blank[12], "Company: Blank Version Co");
  EXPECT_EQ(blank[16], "Product Name: Blank");
  const Lines noVersion = BlockOf(lines, "sysinfo-test-nover.sys");
  ASSERT_EQ(noVersion.size(), 18u);
  EXPECT_EQ(noVersion[0], kNoVersion);
  EXPECT_EQ(noVersion[10], "File Version: ");

  // Sorted by file name across both reasons.
  const auto position = [&lines](const std::string& name) {
    return std::find(lines.begin(), lines.end(), "File Name: " + name) - lines.begin();
  };
  EXPECT_LT(position("sysinfo-test-blank.sys"), position("sysinfo-test-common.dll"));
  EXPECT_LT(position("sysinfo-test-common.dll"), position("sysinfo-test-hidden.exe"));
  EXPECT_LT(position("sysinfo-test-hidden.exe"), position("sysinfo-test-local.dll"));
  EXPECT_LT(position("sysinfo-test-local.dll"), position("sysinfo-test-nover.sys"));
}

// Removes each file right after the search found it, before it is read.
class VanishingFiles final : public DiskFileSource {
 public:
  explicit VanishingFiles(std::string victim) : victim_(std::move(victim)) {}
  FileChecksums Checksums(const std::string& path) override {
    if (path == victim_) DeleteFileW(Utf8ToWide(path).c_str());
    return DiskFileSource::Checksums(path);
  }

 private:
  std::string victim_;
};

TEST(SuspiciousFilesOnDisk, AFileDeletedBeforeHashingGetsTheErrorTextsAndTheSectionGoesOn) {
  PlacedFiles placed;
  const std::string gone = placed.Write(Folder(kFolderRoamingAppData) + "sysinfo-test-a-gone.exe", "soon gone");
  placed.Write(Folder(kFolderRoamingAppData) + "sysinfo-test-b-stays.exe", "hidden program");

  VanishingFiles files(gone);
  CapturedReport report;
  CollectSuspiciousFiles(report.writer(), files, 1);
  const Lines lines = report.Lines();

  const Lines goneBlock = BlockOf(lines, "sysinfo-test-a-gone.exe");
  ASSERT_EQ(goneBlock.size(), 8u) << ::testing::PrintToString(lines);
  EXPECT_EQ(goneBlock[2], "CRC-32: Error Getting CRC-32");
  EXPECT_EQ(goneBlock[3], "MD5 Hash: Error Getting MD5 Hash");
  const Lines stays = BlockOf(lines, "sysinfo-test-b-stays.exe");
  ASSERT_EQ(stays.size(), 8u);
  EXPECT_EQ(stays[2], "CRC-32: 7998D50D");
  EXPECT_EQ(stays[3], "MD5 Hash: FA39569FE4D0E000237E068C4717522D");
}

TEST(SuspiciousFilesOnDisk, TheRunnerWritesTheSection) {
  PlacedFiles placed;
  const std::string program =
      placed.Write(Folder(kFolderLocalAppData) + "sysinfo-test-runner.exe", "hidden program");
  TempFolder folder;
  const std::string out = folder.File("report.txt");
  const auto run = RunProgram("sysinfo-report.exe",
                              {"--out", out, "--level", "basic", "--category", "Suspicious Files!"});
  ASSERT_EQ(run.exitCode, 0u) << run.output;
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(out, bytes));
  const Lines lines = SplitLines(bytes);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "1. Suspicious Files! (Detail Level: Basic) Start"),
            lines.end());
  const Lines block = BlockOf(lines, "sysinfo-test-runner.exe");
  ASSERT_EQ(block.size(), 8u) << bytes;
  EXPECT_EQ(block[0], kPlace);
  EXPECT_EQ(block[2], "CRC-32: 7998D50D");
  EXPECT_EQ(block[6], "File Path: " + program);
}

}  // namespace
}  // namespace sysinfo
