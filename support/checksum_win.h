// CryptoAPI digests (MD5, SHA-256) and a file's checksums through them.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <memory>
#include <string>
#include <utility>

#include "base/handles_win.h"
#include "support/checksum.h"
#include "support/file_reader_win.h"

namespace sysinfo {

// A CryptoAPI hash object (MD5, SHA-1, ... by algorithm id) with its provider context.
class CryptoDigest final : public Digest {
 public:
  // Nothing when the provider or the hash object cannot be created.
  static std::unique_ptr<CryptoDigest> Create(ALG_ID algorithm);
  CryptoDigest(UniqueCryptProvider provider, UniqueCryptHash hash)
      : provider_(std::move(provider)), hash_(std::move(hash)) {}

  bool Add(std::span<const std::uint8_t> bytes) override;
  std::optional<std::vector<std::uint8_t>> Finish() override;

 private:
  UniqueCryptProvider provider_;  // declared first, so released after the hash made from it
  UniqueCryptHash hash_;
};

// CRC-32 and MD5 of a file (UTF-8 path) from a single read.
FileChecksums GetFileChecksums(const std::string& path);
// CRC-32, MD5 and SHA-256 from a single read. SHA-256 needs the AES provider, which every
// Windows since XP SP3 has; without it the SHA-256 text stays empty.
FileChecksums GetFileChecksumsAndSha256(const std::string& path);

// The file's digest by CryptoAPI algorithm as upper-case hexadecimal, or the MD5 error text.
std::string GetFileHash(const std::string& path, ALG_ID algorithm);
std::string GetFileMD5(const std::string& path);

}  // namespace sysinfo
