// The Suspicious Files section over a fake file system, and extended-length paths.
#include <gtest/gtest.h>

#include <map>

#include "base/format.h"
#include "collectors/file_examinations.h"
#include "support/extended_path.h"
#include "tests/fakes/level_lines.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using testing::CapturedReport;
using testing::LevelLine;
using testing::LinesAt;
using Lines = std::vector<std::string>;

const std::string kSeparator(SeparatorLine);
const std::string kRoaming = "C:\\Users\\me\\AppData\\Roaming";
const std::string kLocal = "C:\\Users\\me\\AppData\\Local\\";  // already ends in a backslash
const std::string kCommon = "C:\\ProgramData";
const std::string kWindows = "C:\\Windows";
const std::string kDrivers = "C:\\Windows\\System32\\Drivers\\";
const std::string kWowDrivers = "C:\\Windows\\SysWOW64\\Drivers\\";

// A file system made of tables: folders, listings, the files still there and their checksums.
class FakeFiles final : public SuspiciousFileSource {
 public:
  std::map<int, std::string> folders{{26, kRoaming}, {28, kLocal}, {35, kCommon}, {36, kWindows}};
  std::map<std::string, std::vector<FileFacts>> listings;
  std::map<std::string, FileFacts> files;
  Lines searched;
  Lines hashed;

  void Add(const std::string& folder, const std::string& pattern, FileFacts facts) {
    files[folder + facts.name] = facts;
    facts.version = {};  // a listing tells no version
    listings[folder + pattern].push_back(std::move(facts));
  }

  std::string SpecialFolder(int csidl) override {
    const auto found = folders.find(csidl);
    return found == folders.end() ? std::string() : found->second;
  }
  FolderListing FindEntries(const std::string& pathPattern) override {
    searched.push_back(pathPattern);
    return {listings[pathPattern], {}};
  }
  VersionStrings Version(const std::string& path) override {
    const auto found = files.find(path);
    return found == files.end() ? VersionStrings{} : found->second.version;
  }
  FileChecksums Checksums(const std::string& path) override {
    hashed.push_back(path);
    const auto found = files.find(path);
    if (found == files.end()) return {"Error Getting CRC-32", "Error Getting MD5 Hash"};
    return {"CRC(" + found->second.name + ")", "MD5(" + found->second.name + ")"};
  }
};

FileFacts File(const std::string& name, std::string fileVersion = "", std::uint64_t size = 10) {
  FileFacts facts;
  facts.name = name;
  facts.size = size;
  facts.version.fileVersion = std::move(fileVersion);
  return facts;
}

FileFacts FullyDescribed(const std::string& name) {
  FileFacts facts = File(name, "", 1234);
  facts.attributes = 0x2 | 0x20;  // hidden, archive
  facts.created = "Monday, 1 June 2026 08:00:01";
  facts.accessed = "Tuesday, 2 June 2026 09:00:02";
  facts.modified = "Wednesday, 3 June 2026 10:00:03";
  facts.version.comments = "not printed";
  facts.version.companyName = "Example Ltd";
  facts.version.fileDescription = "Updater";
  facts.version.fileVersion = "1.2.3.4";
  facts.version.internalName = "upd";
  facts.version.originalFilename = "upd.exe";
  facts.version.productName = "Example Suite";
  facts.version.productVersion = "1.2";
  return facts;
}

Lines Collect(FakeFiles& files, DetailLevel level) {
  CapturedReport report;
  FileExaminations examined(files);
  CollectSuspiciousFiles(report.writer(), files, examined, level);
  return report.Lines();
}

TEST(SuspiciousFiles, BlocksAtEachLevel) {
  FakeFiles files;
  files.Add(kRoaming + "\\", "*.exe", FullyDescribed("zeta.exe"));
  files.Add(kDrivers, "*.sys", File("mid.sys"));

  // clang-format off
  const std::vector<LevelLine> block = {
      {1, "-Has No File Version-"}, {1, "File Name: mid.sys"}, {1, "CRC-32: CRC(mid.sys)"},
      {1, "MD5 Hash: MD5(mid.sys)"}, {1, "File Hidden?: Not Hidden"}, {2, "Created: "},
      {2, "Accessed: "}, {1, "Modified: "}, {2, "File Size: 10 Bytes"},
      {1, "File Path: C:\\Windows\\System32\\Drivers\\mid.sys"}, {2, "File Version: "},
      {3, "Product Version: "}, {3, "Company: "}, {3, "Description: "}, {3, "Internal Name: "},
      {2, "Original File name: "}, {3, "Product Name: "}, {1, kSeparator},
      {1, "-Suspicious File Location-"}, {1, "File Name: zeta.exe"}, {1, "CRC-32: CRC(zeta.exe)"},
      {1, "MD5 Hash: MD5(zeta.exe)"}, {1, "File Hidden?: Hidden"},
      {2, "Created: Monday, 1 June 2026 08:00:01"}, {2, "Accessed: Tuesday, 2 June 2026 09:00:02"},
      {1, "Modified: Wednesday, 3 June 2026 10:00:03"}, {2, "File Size: 1234 Bytes"},
      {1, "File Path: C:\\Users\\me\\AppData\\Roaming\\zeta.exe"}, {2, "File Version: 1.2.3.4"},
      {3, "Product Version: 1.2"}, {3, "Company: Example Ltd"}, {3, "Description: Updater"},
      {3, "Internal Name: upd"}, {2, "Original File name: upd.exe"},
      {3, "Product Name: Example Suite"}, {1, kSeparator},
  };
  // clang-format on
  for (DetailLevel level : kDetailLevels)
    EXPECT_EQ(Collect(files, level), LinesAt(level, block)) << LevelCaption(level);
  EXPECT_TRUE(Collect(files, DetailLevel::None).empty());
}

// The searches in plan order; the files each finds chosen and sorted by name.
TEST(SuspiciousFiles, ChoosesFilesAndSortsBothReasonsByName) {
  FakeFiles files;
  EXPECT_TRUE(Collect(files, DetailLevel::Advanced).empty());  // nothing found prints nothing
  files.searched.clear();
  // The listing names the folder itself and its parent; both exist, as on a real disk.
  for (const char* name : {".", "..", "zeta.exe", "Beta.exe"})
    files.Add(kRoaming + "\\", "*.exe", File(name));
  files.Add(kLocal, "*.dll", File("alpha.dll"));
  files.listings[kLocal + "*.dll"].push_back(File("gone.dll"));  // removed after the listing
  files.Add(kCommon + "\\", "*.dll", File("common.dll", "6.1"));  // a version does not matter here
  files.Add(kDrivers, "*.sys", File("mid.sys"));
  files.Add(kDrivers, "*.sys", File("blank.sys", "   "));
  files.Add(kDrivers, "*.sys", File("versioned.sys", "10.0.1"));
  files.Add(kWowDrivers, "*.sys", File("Omega.sys", " "));

  Lines names;
  Lines reasons;
  for (const std::string& line : Collect(files, DetailLevel::Basic)) {
    if (line.rfind("File Name: ", 0) == 0) names.push_back(line.substr(11));
    if (line.rfind("-", 0) == 0 && line != kSeparator) reasons.push_back(line);
  }
  EXPECT_EQ(names, (Lines{"alpha.dll", "Beta.exe", "blank.sys", "common.dll", "gone.dll", "mid.sys",
                          "Omega.sys", "zeta.exe"}));
  const std::string place = "-Suspicious File Location-";
  const std::string noVersion = "-Has No File Version-";
  EXPECT_EQ(reasons, (Lines{place, place, noVersion, place, place, noVersion, noVersion, place}));
  // A versioned driver is passed over before any checksum is computed.
  EXPECT_EQ(std::count(files.hashed.begin(), files.hashed.end(), kDrivers + "versioned.sys"), 0);
  EXPECT_EQ(files.hashed.size(), 8u);
  EXPECT_EQ(files.searched, (Lines{kRoaming + "\\*.exe", kLocal + "*.exe", kCommon + "\\*.exe",
                                   kRoaming + "\\*.dll", kLocal + "*.dll", kCommon + "\\*.dll",
                                   kDrivers + "*.sys", kWowDrivers + "*.sys"}));

  // A folder the shell cannot name is not searched at all (never the drive's root).
  FakeFiles some;
  some.folders.erase(28);
  some.folders.erase(36);
  Collect(some, DetailLevel::Basic);
  EXPECT_EQ(some.searched, (Lines{kRoaming + "\\*.exe", kCommon + "\\*.exe", kRoaming + "\\*.dll",
                                  kCommon + "\\*.dll"}));
}

// The form every file of the section is examined through: the exact name, at any length.
TEST(ExtendedLengthPath, DriveAndSharePathsKeepEveryNameExactly) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Users\\me\\AppData\\Roaming\\hide.exe ",
       "\\\\?\\C:\\Users\\me\\AppData\\Roaming\\hide.exe "},
      {"C:/dir//sub/./x/../aux.dll", "\\\\?\\C:\\dir\\sub\\aux.dll"},
      {"C:\\", "\\\\?\\C:\\"},
      {"C:\\dir\\sub\\", "\\\\?\\C:\\dir\\sub\\"},
      {"\\\\server\\share\\dir\\COM1.exe", "\\\\?\\UNC\\server\\share\\dir\\COM1.exe"},
      {"\\\\?\\C:\\a/b\\..\\c ", "\\\\?\\C:\\a/b\\..\\c "},
      {"\\\\.\\COM1", "\\\\.\\COM1"},
      {"C:name.exe", "C:name.exe"},
      {"C:\\d\\" + std::string(300, 'n'),
       "\\\\?\\C:\\d\\" + std::string(300, 'n')},  // past MAX_PATH, not cut
  };
  for (const auto& [path, extended] : cases) EXPECT_EQ(ExtendedLengthPath(path), extended) << path;
}

}  // namespace
}  // namespace sysinfo
