// The Suspicious Files section over the real disk, with redirection off.
#pragma once

#include "collectors/suspicious_files.h"

namespace sysinfo {

// The real file system: shell folders, directory listings, version resources and the
// single-pass checksums, every path in its extended-length form. Only regular disk files are
// read.
class DiskFileSource : public SuspiciousFileSource {
 public:
  std::string SpecialFolder(int csidl) override;
  FolderListing FindEntries(const std::string& pathPattern) override;
  VersionStrings Version(const std::string& path) override;
  FileChecksums Checksums(const std::string& path) override;
  FileChecksums ChecksumsWithSha256(const std::string& path) override;
  std::optional<FileSignature> Signature(const std::string& path) override;
};

}  // namespace sysinfo
