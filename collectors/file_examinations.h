// What a scan learns of a file by reading it, kept for the whole scan.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>

#include "collectors/suspicious_files.h"

namespace sysinfo {

// The version, checksums and signature of each file a category examines, read once per scan
// however many categories or entries name it (Suspicious Files! and Autostart Entries, several
// autostart entries running one program). Files are told apart by their path folded to lower
// case, as Windows names them.
class FileExaminations {
 public:
  explicit FileExaminations(SuspiciousFileSource& files) : files_(files) {}

  // Forgets every file, for a new scan. With `sha256Always`, every read for checksums also takes
  // the SHA-256, for a scan where some category shows it: the file is then not read again.
  void Start(bool sha256Always);

  const VersionStrings& Version(const std::string& path);
  // The CRC-32 and MD5 texts, and the SHA-256 where `sha256` asks for it or the scan takes it
  // always. A file read before without the SHA-256 is read again when it is asked for.
  const FileChecksums& Checksums(const std::string& path, bool sha256);
  // Nothing where the platform cannot be asked.
  const std::optional<FileSignature>& Signature(const std::string& path);

 private:
  struct Examined {
    std::optional<VersionStrings> version;
    std::optional<FileChecksums> checksums;
    bool withSha256 = false;
    bool signatureAsked = false;
    std::optional<FileSignature> signature;
  };
  Examined& Of(const std::string& path);

  SuspiciousFileSource& files_;
  bool sha256Always_ = false;
  std::unordered_map<std::string, Examined> examined_;
};

}  // namespace sysinfo
