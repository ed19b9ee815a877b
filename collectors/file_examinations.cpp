// The scan's record of the files it has read.
#include "collectors/file_examinations.h"

#include "base/text.h"

namespace sysinfo {

void FileExaminations::Start(bool sha256Always) {
  examined_.clear();
  sha256Always_ = sha256Always;
}

FileExaminations::Examined& FileExaminations::Of(const std::string& path) {
  return examined_[LowerCase(path)];
}

const VersionStrings& FileExaminations::Version(const std::string& path) {
  Examined& file = Of(path);
  if (!file.version) file.version = files_.Version(path);
  return *file.version;
}

const FileChecksums& FileExaminations::Checksums(const std::string& path, bool sha256) {
  Examined& file = Of(path);
  if (file.checksums && (file.withSha256 || !sha256)) return *file.checksums;
  file.withSha256 = sha256 || sha256Always_;
  file.checksums = file.withSha256 ? files_.ChecksumsWithSha256(path) : files_.Checksums(path);
  return *file.checksums;
}

const std::optional<FileSignature>& FileExaminations::Signature(const std::string& path) {
  Examined& file = Of(path);
  if (!file.signatureAsked) file.signature = files_.Signature(path);
  file.signatureAsked = true;
  return file.signature;
}

}  // namespace sysinfo
