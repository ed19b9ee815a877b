// What a scan learns of a file by reading it, kept for the whole scan.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "collectors/suspicious_files.h"

namespace sysinfo {

// The version, checksums and signature of each file a category examines, read once per scan
// however many categories or entries name it (Suspicious Files! and Autostart Entries, several
// autostart entries running one program). Files are told apart by their path folded to lower
// case, as Windows names them.
class FileExaminations {
 public:
  static constexpr std::string_view kSourceName = "record of examined files";
  explicit FileExaminations(SuspiciousFileSource& files) : files_(files) {}

  // A new scan: every file is read afresh. With `sha256Always`, every read for checksums also
  // takes the SHA-256, for a scan where some category shows it: the file is then not read again.
  void BeginScan(bool sha256Always);
  // The scan is over: nothing read is kept for the next one.
  void EndScan();

  // The categories gathered side by side ask from several threads at once: each answer is a copy,
  // and a file is read without holding the others up (two threads asking for one file at the same
  // moment may both read it; the first answer is kept).
  VersionStrings Version(const std::string& path);
  // The CRC-32 and MD5 texts, and the SHA-256 where `sha256` asks for it or the scan takes it
  // always. A file read before without the SHA-256 is read again when it is asked for.
  FileChecksums Checksums(const std::string& path, bool sha256);
  // Nothing where the platform cannot be asked.
  std::optional<FileSignature> Signature(const std::string& path);

 private:
  struct Examined {
    std::optional<VersionStrings> version;
    std::optional<FileChecksums> checksums;
    bool withSha256 = false;
    bool signatureAsked = false;
    std::optional<FileSignature> signature;  // nothing where the platform cannot be asked
  };
  Examined& Of(const std::string& path);  // with the lock held
  template <typename Fact>
  std::optional<Fact> Find(const std::string& path, std::optional<Fact> Examined::*fact);
  template <typename Fact>
  Fact Keep(const std::string& path, std::optional<Fact> Examined::*fact, Fact read);

  SuspiciousFileSource& files_;
  std::mutex mutex_;  // over what follows
  bool sha256Always_ = false;
  std::unordered_map<std::string, Examined> examined_;
};

}  // namespace sysinfo
