// Files under Wine: checksums, signatures, version resources, the report file, Suspicious Files.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/handles_win.h"
#include "report/report_file_win.h"
#include "base/special_folders_win.h"
#include "base/unicode_win.h"
#include "support/authenticode_win.h"
#include "support/checksum_win.h"
#include "support/crc.h"
#include "collectors/file_examinations.h"
#include "collectors/suspicious_files_win.h"
#include "support/file_version_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using namespace testing;

const std::string kFox = "The quick brown fox jumps over the lazy dog";
const std::string kFoxSums = "414FA339 9E107D9D372BB6826BD81D3542A419D6 ";
const std::string kFailedSums = "Error Getting CRC-32 Error Getting MD5 Hash ";

std::string Sums(const FileChecksums& sums) {
  return sums.crc32 + " " + sums.md5 + " " + sums.sha256;
}

UniqueHandle OpenShared(const std::string& path, DWORD access, DWORD share) {
  return AdoptHandle(
      CreateFileW(Utf8ToWide(path).c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
  return bytes;
}

// CRC-32, MD5 and (for the JSON report only) SHA-256 from one read, across the chunk boundary.
TEST(FileChecksums, KnownFilesThroughCryptoApi) {
  TempFolder folder;
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"", "0 D41D8CD98F00B204E9800998ECF8427E ",
       "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"},
      {kFox, kFoxSums, "D7A8FBB307D7809469CA9ABCB0082E4F8D5651E46D3CDB762D02D0BF37C9E592"},
      {Pattern((3 << 20) + 5), "454448A1 028BFCC1395093C0DF0DC731DE96E1B5 ",
       "B01669D77761C4DFDFC8FB927821087BCF5C9EF1F917C4F1F8504E529F19EDAB"},
  };
  for (const auto& [bytes, crc32Md5, sha256] : cases) {
    SCOPED_TRACE(bytes.size());
    const std::string path = folder.File("file.bin");
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    EXPECT_EQ(Sums(GetFileChecksums(path)), crc32Md5) << "the text report's pass takes no SHA-256";
    EXPECT_EQ(Sums(GetFileChecksumsAndSha256(path)), crc32Md5 + sha256);
  }
}

TEST(FileChecksums, OpenByOthersLockedMissingOrFolder) {
  TempFolder folder;
  const std::string path = folder.File("shared.bin");
  ASSERT_TRUE(WriteWholeFile(path, kFox));
  {
    // Another program writing to the file, or holding it for deletion, does not stop us.
    const UniqueHandle writer = OpenShared(path, GENERIC_WRITE | DELETE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_TRUE(writer);
    EXPECT_EQ(Sums(GetFileChecksums(path)), kFoxSums);
  }
  // A program that locks the file out, a missing file, a folder: the error texts, no hang.
  const UniqueHandle locker = OpenShared(path, GENERIC_READ, 0);
  ASSERT_TRUE(locker);
  for (const std::string& bad : {path, folder.File("missing.bin"), folder.path()}) {
    EXPECT_EQ(Sums(GetFileChecksums(bad)), kFailedSums) << bad;
    EXPECT_EQ(Sums(GetFileChecksumsAndSha256(bad)), kFailedSums) << bad;
  }
}

// The signed module with one byte flipped at `offset`.
std::string Altered(std::string bytes, std::size_t offset) {
  bytes[offset] = static_cast<char>(bytes[offset] ^ 0x20);
  return bytes;
}

TEST(FileSignature, UnsignedSignedAlteredAndUncheckableFiles) {
  TempFolder folder;
  std::string signedBytes;
  ASSERT_TRUE(ReadWholeFile(ProgramFolder() + "\\signed_test.dll", signedBytes));
  const auto peHeader =
      static_cast<std::size_t>(*reinterpret_cast<const std::uint32_t*>(&signedBytes[0x3C]));
  ASSERT_GT(peHeader, 0x61u) << "the module has no DOS stub to alter";

  // The DOS stub's message is hashed like the code; the last bytes are the signature itself.
  ASSERT_TRUE(WriteWholeFile(folder.File("stub-altered.dll"), Altered(signedBytes, 0x60)));
  ASSERT_TRUE(WriteWholeFile(folder.File("signature-altered.dll"),
                             Altered(signedBytes, signedBytes.size() - 300)));
  ASSERT_TRUE(WriteWholeFile(folder.File("notes.txt"), "not a program"));
  ASSERT_TRUE(WriteWholeFile(folder.File("locked.dll"), "MZ"));
  const UniqueHandle locker = OpenShared(folder.File("locked.dll"), GENERIC_READ, 0);
  ASSERT_TRUE(locker);
  std::array<wchar_t, MAX_PATH> system{};
  GetSystemDirectoryW(system.data(), MAX_PATH);

  const std::tuple<std::string, std::string, std::string> cases[] = {
      {ProgramFolder() + "\\version_full.dll", "unsigned", ""},
      {folder.File("notes.txt"), "unsigned", ""},
      // Wine's own system files are listed in no catalog: unsigned, not an error.
      {WideToUtf8(system.data()) + "\\kernel32.dll", "unsigned", ""},
      {ProgramFolder() + "\\signed_test.dll", "signed", "Sysinfo Test Signer"},
      {folder.File("stub-altered.dll"), "bad_signature", ""},
      {folder.File("signature-altered.dll"), "bad_signature", ""},
      // A file that cannot be read cannot be vouched for.
      {folder.File("locked.dll"), "untrusted", ""},
      {folder.File("missing.dll"), "untrusted", ""},
  };
  for (const auto& [path, status, signer] : cases) {
    const FileSignature signature = GetFileSignature(path);
    EXPECT_EQ(SignatureStatusName(signature.status), status) << path;
    EXPECT_EQ(signature.signer, signer) << path;
    EXPECT_FALSE(signature.fromCatalog) << path;
    // Only a status that needs explaining carries the platform's reason.
    EXPECT_EQ(signature.reason.empty(), status == "signed" || status == "unsigned") << path;
  }
}

std::string TestBinary(const char* name) { return ProgramFolder() + "\\" + name + ".dll"; }

// The strings the Suspicious Files section prints, through the version API: the file's own
// translation, the US English block when the own one names no company, nothing without a
// resource; a string whose stated length runs far past the resource reads up to its own end.
TEST(FileVersion, PrintedStringsThroughTheVersionApi) {
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(TestBinary("version_full"), bytes));
  for (std::u16string key : {u"CompanyName", u"SpecialBuild"}) {
    key.push_back(u'\0');  // the whole key, not the start of a longer one
    const std::size_t at =
        bytes.find(std::string(reinterpret_cast<const char*>(key.data()), key.size() * 2));
    ASSERT_NE(at, std::string::npos);
    bytes[at - 4] = bytes[at - 3] = '\xFF';  // the value length, ahead of the type word and the key
  }
  TempFolder folder;
  ASSERT_TRUE(WriteWholeFile(folder.File("lengths.dll"), bytes));
  const Lines full{"5.6.7.8", "5.6",         "Test Company", "Test driver",
                   "testdrv", "testdrv.sys", "Test Product"};
  const std::pair<std::string, Lines> cases[] = {
      {TestBinary("version_full"), full},
      {folder.File("lengths.dll"), full},
      // Translation 0407/04E4 whose strings exist only under 040904E4.
      {TestBinary("version_german"),
       {"4.3.2.1", "", "Fallback Company", "US-English strings only", "", "", "Fallback Product"}},
      {TestBinary("version_no_company"), {"7.0", "", "", "", "", "", "Eigenes Produkt"}},
      {TestBinary("version_blank"), {"   ", "", "Blank Version Co", "", "", "", "Blank"}},
      {TestBinary("version_none"), {"", "", "", "", "", "", ""}},
  };
  for (const auto& [path, expected] : cases) {
    cFixedFileInfo info;
    info.FullPathName(path);
    const VersionStrings& s = info.Strings();
    EXPECT_EQ((Lines{s.fileVersion, s.productVersion, s.companyName, s.fileDescription,
                     s.internalName, s.originalFilename, s.productName}),
              expected)
        << path;
  }
}

// ANSI text with CR LF and no byte-order mark; a name outside the ANSI code page still names the
// file (wide calls inside); an earlier, longer report is cut to the new one. Each line is in the
// file once written, so a process ended while it waits on the system (a stalled WMI provider)
// keeps every finished line.
TEST(FileReport, WritesAnsiCrLfOverAnEarlierReport) {
  ASSERT_EQ(GetACP(), 1252u) << "the expected bytes below are for code page 1252";
  TempFolder folder;
  const std::string path = folder.File("Bericht-\xE6\x97\xA5\xE6\x9C\xAC-caf\xC3\xA9.txt");
  ASSERT_TRUE(WriteWholeFile(path, "a much longer first report\r\n"));
  std::string bytes;
  {
    OpenedReport file = CreateFileReport(path);
    ASSERT_FALSE(file.Failed()) << file.error->message;
    ReportWriter report(std::move(file.value));
    report.WriteReportLine("caf\xC3\xA9 \xE2\x82\xAC");  // "café €" in UTF-8
    EXPECT_TRUE(ReadWholeFile(path, bytes) && bytes == "caf\xE9 \x80\r\n") << bytes;
    report.WriteReportLine("");
    EXPECT_TRUE(report.CloseReport());
  }
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "caf\xE9 \x80\r\n\r\n");
}

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

// A local time as a file time, through the platform's own time-zone rules.
FILETIME FileTimeOf(SYSTEMTIME local) {
  SYSTEMTIME utc{};
  FILETIME time{};
  EXPECT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) &&
              SystemTimeToFileTime(&utc, &time));
  return time;
}

// Removes the named file right after the search found it, before it is read.
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

TEST(SuspiciousFilesOnDisk, ListsProgramFilesInAppDataAndDriversWithoutVersion) {
  PlacedFiles placed;
  // Hidden, system and read-only, and named outside the ANSI code page: hashed like any file.
  const std::string hiddenName = "sysinfo-test-hidden-\xD0\xBF\xE7\xA8\x8B.exe";
  const std::string hidden = placed.Write(
      Folder(kFolderRoamingAppData) + hiddenName, "hidden program",
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
  // Wine keeps no creation time of its own (it gives the modification time), so both are alike.
  const FILETIME modified = FileTimeOf({2023, 12, 0, 31, 0, 0, 1, 0});
  const FILETIME accessed = FileTimeOf({2024, 2, 2, 20, 23, 5, 9, 0});
  EXPECT_TRUE(SetFileTime(OpenShared(hidden, FILE_WRITE_ATTRIBUTES, 0).get(), &modified, &accessed,
                          &modified));
  // A folder whose name matches the pattern is listed, but as no file it is never read.
  const std::string sub = placed.MakeFolder(Folder(kFolderRoamingAppData) + "sysinfo-test-sub.exe");
  placed.Write(sub + "\\sysinfo-test-nested.exe", "nested");
  placed.Write(Folder(kFolderLocalAppData) + "sysinfo-test-local.dll", "local library");
  const std::string big = placed.Write(Folder(kFolderLocalAppData) + "sysinfo-test-big.dll", "");
  {  // over 5 GiB, extended without being written: next to no room on the disk
    const UniqueHandle file = OpenShared(big, GENERIC_WRITE, 0);
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = (LONGLONG{5} << 30) + 7;
    EXPECT_TRUE(SetFileInformationByHandle(file.get(), FileEndOfFileInfo, &end, sizeof end));
  }
  placed.Write(Folder(kFolderCommonAppData) + "sysinfo-test-common.dll", "common library");
  placed.Copy("version_none.dll", DriversFolder() + "sysinfo-test-nover.sys");
  placed.Copy("version_blank.dll", DriversFolder() + "sysinfo-test-blank.sys");
  placed.Copy("version_full.dll", DriversFolder() + "sysinfo-test-versioned.sys");
  // Names that Win32's path parsing rewrites (trailing blank or dot, device names; one beside what
  // it is rewritten to) and a path past MAX_PATH: each is listed once, read through its exact name.
  // clang-format off
  const std::string exactNames[] = {"sysinfo-test-hide.exe ", "sysinfo-test-hide2.exe.", "con.exe",
      "nul.dll", "aux.dll", "COM1.exe", "sysinfo-test-dup.exe ", "sysinfo-test-dup.exe",
      "sysinfo-test-" + std::string(238, 'n') + ".exe"};
  // clang-format on
  for (const std::string& name : exactNames)
    placed.Write("\\\\?\\" + Folder(kFolderRoamingAppData) + name, name);
  // An endless device under a program's name is listed with its error texts and never read.
  const std::string device = Folder(kFolderRoamingAppData) + "sysinfo-test-zero.exe";
  struct UnixLink {  // Wine cannot delete it
    std::wstring name;
    std::string path;
    ~UnixLink() {
      StartUnixProgram({L"/bin/rm", L"-f", name});
      WaitFor([this] { return !FileExists(path); });
    }
  } link{Utf8ToWide(UnixFileName(device)), device};
  StartUnixProgram({L"/bin/ln", L"-s", L"/dev/zero", link.name});
  ASSERT_TRUE(WaitFor([&] { return FileExists(device); })) << device;

  // Hashing 5 GiB would take half a minute: the file vanishes before it is read, and gets its
  // error texts; its size line comes from the listing all the same, and the section goes on.
  VanishingFiles files(big);
  FileExaminations examined(files);
  CapturedReport report;
  CollectSuspiciousFiles(report.writer(), files, examined, DetailLevel::Advanced);
  const Lines lines = report.Lines();

  // Not listed: a program in a subfolder, a driver with a version.
  for (const char* name : {"sysinfo-test-nested.exe", "sysinfo-test-versioned.sys"}) {
    EXPECT_TRUE(BlockOf(lines, name).empty()) << name;
  }
  const std::string crcError = "CRC-32: Error Getting CRC-32";
  const std::string md5Error = "MD5 Hash: Error Getting MD5 Hash";
  // clang-format off
  const std::tuple<std::string, std::size_t, std::string> cases[] = {
      {hiddenName, 0, kPlace}, {hiddenName, 2, "CRC-32: 7998D50D"},
      {hiddenName, 4, "File Hidden?: Hidden"},
      {hiddenName, 3, "MD5 Hash: FA39569FE4D0E000237E068C4717522D"},
      {hiddenName, 5, "Created: Sunday, December 31, 2023 12:00:01 AM"},
      {hiddenName, 6, "Accessed: Tuesday, February 20, 2024 11:05:09 PM"},
      {hiddenName, 8, "File Size: 14 Bytes"}, {hiddenName, 9, "File Path: " + hidden},
      {"sysinfo-test-sub.exe", 2, crcError}, {"sysinfo-test-sub.exe", 3, md5Error},
      {"sysinfo-test-sub.exe", 9, "File Path: " + sub}, {"sysinfo-test-zero.exe", 2, crcError},
      {"sysinfo-test-big.dll", 8, "File Size: 5368709127 Bytes"},
      {"sysinfo-test-big.dll", 3, md5Error},  // gone before it was read
      {"sysinfo-test-local.dll", 0, kPlace},
      {"sysinfo-test-local.dll", 4, "File Hidden?: Not Hidden"},
      {"sysinfo-test-common.dll", 0, kPlace}, {"sysinfo-test-blank.sys", 0, kNoVersion},
      {"sysinfo-test-blank.sys", 9, "File Path: " + DriversFolder() + "sysinfo-test-blank.sys"},
      {"sysinfo-test-blank.sys", 10, "File Version:    "},
      {"sysinfo-test-blank.sys", 12, "Company: Blank Version Co"},
      {"sysinfo-test-blank.sys", 16, "Product Name: Blank"},
      {"sysinfo-test-nover.sys", 0, kNoVersion}, {"sysinfo-test-nover.sys", 10, "File Version: "},
  };
  // clang-format on
  for (const auto& [name, line, text] : cases) {
    const Lines block = BlockOf(lines, name);
    ASSERT_EQ(block.size(), 18u) << name << " in " << ::testing::PrintToString(lines);
    EXPECT_EQ(block[line], text) << name;
  }
  for (const std::string& name : exactNames) {
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "File Name: " + name), 1) << name;
    const Lines block = BlockOf(lines, name);
    if (block.size() != 18u) continue;  // not listed, as the count says
    EXPECT_EQ(block[2],
              "CRC-32: " + Crc32Text(clsCRC().AddBytes(
                               {reinterpret_cast<const std::uint8_t*>(name.data()), name.size()})))
        << name;
    EXPECT_EQ(block[9], "File Path: " + Folder(kFolderRoamingAppData) + name) << name;
  }
}

}  // namespace
}  // namespace sysinfo
