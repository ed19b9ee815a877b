// The Suspicious Files section and the file system it looks at.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/levels.h"
#include "base/result.h"
#include "base/value.h"
#include "support/authenticode.h"
#include "support/checksum.h"
#include "support/file_version.h"

namespace sysinfo {

class FileExaminations;
class ReportWriter;

// What the section records about one file it lists.
struct FileFacts {
  std::string name;  // the file's long name exactly as the listing gave it
  std::string path;  // the folder searched and that name
  std::uint32_t attributes = 0;
  // Local times (Moment): the long date and time, and ISO 8601 for the JSON report; empty text
  // when one cannot be converted.
  SourceValue created = std::string();
  SourceValue accessed = std::string();
  SourceValue modified = std::string();
  std::uint64_t size = 0;
  VersionStrings version;  // all empty when the file has no version resource
};

// A folder listing: the entries, and why it stopped short where it could not be read to its end.
using FolderListing = Result<std::vector<FileFacts>>;

// The file system as the Suspicious Files section sees it.
class SuspiciousFileSource {
 public:
  static constexpr std::string_view kSourceName = "file system";
  virtual ~SuspiciousFileSource() = default;
  // The path of a shell folder (CSIDL value); empty text when it cannot be resolved.
  virtual std::string SpecialFolder(int csidl) = 0;
  // The entries that match a folder + wildcard pattern, with what the listing says of each (its
  // name, attributes, times and size; no path or version), including "." and ".." where the
  // pattern matches them; no subfolder is entered. A folder that is not there lists nothing; one
  // that cannot be read (access denied, a broken disk) says why.
  virtual FolderListing FindEntries(const std::string& pathPattern) = 0;
  // The version resource; all empty when there is none or the path is no regular file.
  virtual VersionStrings Version(const std::string& path) = 0;
  // Both checksum texts, or their error texts, from one read of the file.
  virtual FileChecksums Checksums(const std::string& path) = 0;
  // The same read, also taking the SHA-256 that only the JSON report carries.
  virtual FileChecksums ChecksumsWithSha256(const std::string& path) { return Checksums(path); }
  // The file's Authenticode status, for the JSON report; nothing where it cannot be asked.
  virtual std::optional<FileSignature> Signature(const std::string& /*path*/) {
    return std::nullopt;
  }
};

// Lists program files lying directly in the application-data folders and drivers without a
// file version, one block per file sorted by file name. What it reads of each file is read through
// the scan's examinations, which keep it for the categories after it.
void CollectSuspiciousFiles(ReportWriter& report, SuspiciousFileSource& files,
                            FileExaminations& examined, DetailLevel level);

}  // namespace sysinfo
