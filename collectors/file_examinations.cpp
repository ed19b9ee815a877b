// The scan's record of the files it has read.
#include "collectors/file_examinations.h"

#include "base/text.h"

namespace sysinfo {

void FileExaminations::BeginScan(bool sha256Always) {
  const std::lock_guard lock(mutex_);
  examined_.clear();
  sha256Always_ = sha256Always;
}

void FileExaminations::EndScan() { BeginScan(false); }

FileExaminations::Examined& FileExaminations::Of(const std::string& path) {
  return examined_[LowerCase(path)];
}

template <typename Fact>
std::optional<Fact> FileExaminations::Find(const std::string& path,
                                           std::optional<Fact> Examined::*fact) {
  const std::lock_guard lock(mutex_);
  return Of(path).*fact;
}

template <typename Fact>
Fact FileExaminations::Keep(const std::string& path, std::optional<Fact> Examined::*fact,
                            Fact read) {
  const std::lock_guard lock(mutex_);
  std::optional<Fact>& kept = Of(path).*fact;
  if (!kept) kept = std::move(read);
  return *kept;
}

VersionStrings FileExaminations::Version(const std::string& path) {
  if (auto kept = Find(path, &Examined::version)) return *kept;
  return Keep(path, &Examined::version, files_.Version(path));
}

FileChecksums FileExaminations::Checksums(const std::string& path, bool sha256) {
  bool withSha256 = false;
  {
    const std::lock_guard lock(mutex_);
    const Examined& file = Of(path);
    if (file.checksums && (file.withSha256 || !sha256)) return *file.checksums;
    withSha256 = sha256 || sha256Always_;
  }
  FileChecksums read = withSha256 ? files_.ChecksumsWithSha256(path) : files_.Checksums(path);
  const std::lock_guard lock(mutex_);
  Examined& file = Of(path);
  if (!file.checksums || (withSha256 && !file.withSha256)) {
    file.checksums = std::move(read);
    file.withSha256 = withSha256;
  }
  return *file.checksums;
}

std::optional<FileSignature> FileExaminations::Signature(const std::string& path) {
  {
    const std::lock_guard lock(mutex_);
    const Examined& file = Of(path);
    if (file.signatureAsked) return file.signature;
  }
  std::optional<FileSignature> read = files_.Signature(path);
  const std::lock_guard lock(mutex_);
  Examined& file = Of(path);
  if (!file.signatureAsked) {
    file.signature = std::move(read);
    file.signatureAsked = true;
  }
  return file.signature;
}

}  // namespace sysinfo
