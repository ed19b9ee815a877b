// CryptoAPI digests and the file checksums computed with them.
#include "support/checksum_win.h"

#include <algorithm>
#include <vector>

#include "base/unicode_win.h"

namespace sysinfo {

std::unique_ptr<CryptoDigest> CryptoDigest::Create(ALG_ID algorithm) {
  // A verification context: hashing needs no key container, so none is opened or created.
  // A failed call may leave anything in its out-parameter: only a success is owned.
  HCRYPTPROV acquired = 0;
  if (!CryptAcquireContextW(&acquired, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
      !CryptAcquireContextW(&acquired, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    return nullptr;
  }
  UniqueCryptProvider provider(acquired);
  HCRYPTHASH created = 0;
  if (!CryptCreateHash(provider.get(), algorithm, 0, 0, &created)) return nullptr;
  return std::make_unique<CryptoDigest>(std::move(provider), UniqueCryptHash(created));
}

bool CryptoDigest::Add(std::span<const std::uint8_t> bytes) {
  // CryptHashData takes 32-bit lengths; the passes feed 1 MiB chunks, but stay safe for any.
  while (!bytes.empty()) {
    const std::size_t part = std::min<std::size_t>(bytes.size(), 1u << 30);
    if (!CryptHashData(hash_.get(), bytes.data(), static_cast<DWORD>(part), 0)) return false;
    bytes = bytes.subspan(part);
  }
  return true;
}

std::optional<std::vector<std::uint8_t>> CryptoDigest::Finish() {
  const HCRYPTHASH hash = hash_.get();
  DWORD size = 0;
  DWORD sizeLength = sizeof size;
  if (!CryptGetHashParam(hash, HP_HASHSIZE, reinterpret_cast<BYTE*>(&size), &sizeLength, 0) ||
      size == 0) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> digest(size);
  if (!CryptGetHashParam(hash, HP_HASHVAL, digest.data(), &size, 0)) return std::nullopt;
  digest.resize(size);
  return digest;
}

FileChecksums GetFileChecksums(const std::string& path) {
  const auto reader = FileByteReader::Open(path);
  const auto digest = CryptoDigest::Create(CALG_MD5);
  std::vector<std::uint8_t> buffer(kChecksumChunkBytes);
  return ChecksumPass(reader.get(), digest.get(), buffer);
}

FileChecksums GetFileChecksumsAndSha256(const std::string& path) {
  const auto reader = FileByteReader::Open(path);
  const auto md5 = CryptoDigest::Create(CALG_MD5);
  const auto sha256 = CryptoDigest::Create(CALG_SHA_256);
  std::vector<std::uint8_t> buffer(kChecksumChunkBytes);
  return ChecksumPass(reader.get(), md5.get(), buffer, sha256.get());
}

std::string GetFileHash(const std::string& path, ALG_ID algorithm) {
  const auto reader = FileByteReader::Open(path);
  const auto digest = CryptoDigest::Create(algorithm);
  std::vector<std::uint8_t> buffer(kChecksumChunkBytes);
  return DigestPass(reader.get(), digest.get(), buffer);
}

std::string GetFileMD5(const std::string& path) { return GetFileHash(path, CALG_MD5); }

}  // namespace sysinfo
