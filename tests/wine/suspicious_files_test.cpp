#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <vector>

#include "app/locale_win.h"
#include "app/special_folders_win.h"
#include "app/unicode_win.h"
#include "collectors/suspicious_files_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using namespace testing;

const std::string kPlace = "-Suspicious File Location-";
const std::string kNoVersion = "-Has No File Version-";

std::string Folder(int csidl) { return GetSpecialFolder(csidl) + "\\"; }
std::string DriversFolder() { return Folder(kFolderWindows) + "System32\\Drivers\\"; }

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
  placed.Copy("version_none.dll", DriversFolder() + "sysinfo-test-nover.sys");
  placed.Copy("version_blank.dll", DriversFolder() + "sysinfo-test-blank.sys");
  placed.Copy("version_full.dll", DriversFolder() + "sysinfo-test-versioned.sys");

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

  // Not listed: a program in a subfolder, the subfolder, a driver with a version.
  for (const char* name : {"sysinfo-test-nested.exe", "sysinfo-test-sub", "sysinfo-test-versioned.sys"}) {
    EXPECT_TRUE(BlockOf(lines, name).empty()) << name;
  }
  struct Case {
    const char* name;
    std::size_t line;
    std::string text;
  };
  const Case cases[] = {
      {"sysinfo-test-local.dll", 0, kPlace},
      {"sysinfo-test-local.dll", 4, "File Hidden?: Not Hidden"},
      {"sysinfo-test-common.dll", 0, kPlace},
      {"sysinfo-test-common.dll", 4, "File Hidden?: Not Hidden"},
      {"sysinfo-test-blank.sys", 0, kNoVersion},
      {"sysinfo-test-blank.sys", 9, "File Path: " + DriversFolder() + "sysinfo-test-blank.sys"},
      {"sysinfo-test-blank.sys", 10, "File Version:    "},
      {"sysinfo-test-blank.sys", 12, "Company: Blank Version Co"},
      {"sysinfo-test-blank.sys", 16, "Product Name: Blank"},
      {"sysinfo-test-nover.sys", 0, kNoVersion},
      {"sysinfo-test-nover.sys", 10, "File Version: "},
  };
  for (const Case& c : cases) {
    const Lines block = BlockOf(lines, c.name);
    ASSERT_EQ(block.size(), 18u) << c.name;
    EXPECT_EQ(block[c.line], c.text) << c.name;
  }
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

}  // namespace
}  // namespace sysinfo
