// The Suspicious Files section: the searches, the files they keep, sorted blocks per file.
#include "collectors/suspicious_files.h"

#include <array>

#include "report/report.h"
#include "base/special_folders.h"
#include "base/text.h"
#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/file_examinations.h"
#include "collectors/sorted_table.h"

namespace sysinfo {
namespace {

constexpr std::string_view kUnusualPlace = "-Suspicious File Location-";
constexpr std::string_view kNoFileVersion = "-Has No File Version-";

struct Search {
  int folder;
  std::string_view subfolder;
  std::string_view pattern;
  std::string_view reason;
  bool onlyWithoutVersion;
};

constexpr std::array<Search, 8> kSearches{{
    {kFolderRoamingAppData, "", "*.exe", kUnusualPlace, false},
    {kFolderLocalAppData, "", "*.exe", kUnusualPlace, false},
    {kFolderCommonAppData, "", "*.exe", kUnusualPlace, false},
    {kFolderRoamingAppData, "", "*.dll", kUnusualPlace, false},
    {kFolderLocalAppData, "", "*.dll", kUnusualPlace, false},
    {kFolderCommonAppData, "", "*.dll", kUnusualPlace, false},
    {kFolderWindows, "\\System32\\Drivers", "*.sys", kNoFileVersion, true},
    {kFolderWindows, "\\SysWOW64\\Drivers", "*.sys", kNoFileVersion, true},
}};

// Stored beside the printed columns; these reach only the JSON report.
constexpr std::array<std::string_view, 5> kRecordedOnly{"SHA256", "Signature", "Signer",
                                                        "SignedByCatalog", "SignatureError"};

// The lines of each file; the reason line is the reason text alone.
constexpr std::array<TableLine, 17> kLines{{
    {"", "Reason", {1, 1, 1}},
    {"File Name: ", "FileName", {1, 1, 1}},
    {"CRC-32: ", "CRC32", {1, 1, 1}},
    {"MD5 Hash: ", "MD5", {1, 1, 1}},
    {"File Hidden?: ", "FileAttributes", {1, 1, 1}},
    {"Created: ", "CreationTime", {0, 1, 1}},
    {"Accessed: ", "LastAccessTime", {0, 1, 1}},
    {"Modified: ", "LastWriteTime", {1, 1, 1}},
    {"File Size: ", "FileSize", {0, 1, 1}, " Bytes"},
    {"File Path: ", "Path", {1, 1, 1}},
    {"File Version: ", "FileVer", {0, 1, 1}},
    {"Product Version: ", "ProdVer", {0, 0, 1}},
    {"Company: ", "Company", {0, 0, 1}},
    {"Description: ", "Description", {0, 0, 1}},
    {"Internal Name: ", "InternalName", {0, 0, 1}},
    {"Original File name: ", "OrigFilename", {0, 1, 1}},
    {"Product Name: ", "ProductName", {0, 0, 1}},
}};

constexpr SortedSection kSection{{}, "FileName", kLines, kRecordedOnly};

constexpr std::uint32_t kHiddenAttribute = 0x2;

// The folder to search, ending in a backslash; empty when the shell folder is unknown, so
// that search is skipped rather than run on the current drive's root.
std::string SearchFolder(SuspiciousFileSource& files, const Search& search) {
  std::string folder = files.SpecialFolder(search.folder);
  if (folder.empty()) return folder;
  folder += search.subfolder;
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

void AddSignature(SortedTable& table, const std::optional<FileSignature>& signature) {
  if (!signature) return;  // the columns stay Null
  table.SetValue("Signature", std::string(SignatureStatusName(signature->status)));
  table.SetValue("Signer", TextOrNull(signature->signer));
  table.SetValue("SignedByCatalog", signature->fromCatalog);
  table.SetValue("SignatureError", TextOrNull(signature->reason));
}

void AddRow(SortedTable& table, std::string_view reason, const FileFacts& file,
            const FileChecksums& checksums, const std::optional<FileSignature>& signature) {
  table.AddNew();
  table.Set("Reason", std::string(reason));
  table.Set("CRC32", checksums.crc32);
  table.Set("MD5", checksums.md5);
  table.Set("FileName", CutAtNull(file.name));
  table.Set("FileAttributes", (file.attributes & kHiddenAttribute) ? "Hidden" : "Not Hidden");
  table.SetValue("CreationTime", file.created);
  table.SetValue("LastAccessTime", file.accessed);
  table.SetValue("LastWriteTime", file.modified);
  table.SetValue("FileSize", file.size);  // printed with " Bytes" after it
  table.Set("Path", file.path);
  table.Set("FileVer", file.version.fileVersion);
  table.Set("ProdVer", file.version.productVersion);
  table.Set("Company", file.version.companyName);
  table.Set("Description", file.version.fileDescription);
  table.Set("InternalName", file.version.internalName);
  table.Set("OrigFilename", file.version.originalFilename);
  table.Set("ProductName", file.version.productName);
  table.SetValue("SHA256", TextOrNull(checksums.sha256));
  AddSignature(table, signature);
  table.Update();
}

// When the JSON report listens, the file's SHA-256 and signature are taken too. What is read of
// a file is kept for the scan, for the other categories that examine it.
void RunSearch(SortedTable& table, SuspiciousFileSource& files, FileExaminations& examined,
               const Search& search, ReportWriter& report) {
  const bool forJson = report.Recording();
  const std::string folder = SearchFolder(files, search);
  if (folder.empty()) return;
  // Each entry is examined through the name the listing gave and with the facts it gave, never
  // looked up again: another lookup by name could find another file, or none.
  FolderListing listing = files.FindEntries(folder + std::string(search.pattern));
  report.SourceEnded(listing.error);
  for (FileFacts& file : listing.value) {
    if (file.name == "." || file.name == "..") continue;
    const std::string path = folder + file.name;
    file.path = path;
    file.version = examined.Version(path);
    if (search.onlyWithoutVersion && !Trim(file.version.fileVersion).empty()) continue;
    AddRow(table, search.reason, file, examined.Checksums(path, forJson),
           forJson ? examined.Signature(path) : std::nullopt);
  }
}

// How two reports' items are matched, what changes by itself, and what identifies.
// clang-format off
constexpr std::array<std::string_view, 1> kKey{"Path"};
constexpr std::array<std::string_view, 1> kChanging{"LastAccessTime"};
constexpr std::span<const IdentifyingField> kIdentifying{};
// clang-format on

}  // namespace

void CollectSuspiciousFiles(ReportWriter& report, SuspiciousFileSource& files,
                            FileExaminations& examined, DetailLevel level) {
  SortedTable table(kSection);
  for (const Search& search : kSearches) RunSearch(table, files, examined, search, report);
  PrintSortedTable(report, table, kSection, level);
}

extern const CategoryDefinition kSuspiciousFilesCategory{
    "Suspicious Files!",
    StartLine::WithDetail,
    [](ReportWriter& report, const Sources& sources, DetailLevel level) {
      SuspiciousFileSource* files = sources.Need<SuspiciousFileSource>(report);
      FileExaminations* examined = sources.Need<FileExaminations>(report);
      if (files && examined) CollectSuspiciousFiles(report, *files, *examined, level);
    },
    {kKey, kChanging, kIdentifying},
    {},
    FileView::Native,
    "Scanning For Suspicious Files!"};

}  // namespace sysinfo
