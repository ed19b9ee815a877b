// The one-read checksum passes (CRC-32 with MD5, and with SHA-256) against each digest alone, and
// against the same digests fed one after the other on one thread (how the passes ran before their
// digests ran side by side). The variants take turns, round after round, and each keeps its best
// time, so a machine busy with other work slows them all alike.
#include <windows.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/handles_win.h"
#include "base/unicode_win.h"
#include "support/checksum_win.h"
#include "support/crc.h"

namespace {

using namespace sysinfo;

constexpr std::uint64_t kFileBytes = std::uint64_t{512} << 20;
constexpr int kRounds = 5;  // the first also warms the page cache

bool WriteTestFile(const std::wstring& path) {
  const UniqueHandle file =
      AdoptHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!file) return false;
  std::vector<std::uint8_t> chunk(kChecksumChunkBytes);
  std::uint32_t state = 1;
  for (std::uint64_t written = 0; written < kFileBytes; written += chunk.size()) {
    for (auto& b : chunk) {
      state = state * 1664525u + 1013904223u;
      b = static_cast<std::uint8_t>(state >> 24);
    }
    DWORD done = 0;
    if (!WriteFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &done, nullptr))
      return false;
  }
  return true;
}

std::string CrcOnly(const std::string& path) {
  const auto reader = FileByteReader::Open(path);
  std::vector<std::uint8_t> buffer(kChecksumChunkBytes);
  return ChecksumPass(reader.get(), nullptr, buffer).crc32;
}

// CRC-32, MD5 and SHA-256 (or without it) of each chunk one after the other, on this thread.
std::string OneAfterTheOther(const std::string& path, bool withSha256) {
  const auto reader = FileByteReader::Open(path);
  const auto md5 = CryptoDigest::Create(CALG_MD5);
  const auto sha256 = withSha256 ? CryptoDigest::Create(CALG_SHA_256) : nullptr;
  std::vector<std::uint8_t> buffer(kChecksumChunkBytes);
  std::uint32_t crc = 0xFFFFFFFFu;
  for (;;) {
    const Result<std::size_t> got = reader->Read(buffer);
    if (got.Failed() || got.value == 0) break;
    const std::span<const std::uint8_t> chunk(buffer.data(), got.value);
    crc = Crc32Update(crc, chunk);
    md5->Add(chunk);
    if (sha256) sha256->Add(chunk);
  }
  std::string text = Crc32Text(crc ^ 0xFFFFFFFFu);
  for (CryptoDigest* digest : {md5.get(), sha256.get()}) {
    if (!digest) continue;
    text += ' ';
    text += HexDigest(*digest->Finish());
  }
  return text;
}

struct Variant {
  const char* name;
  std::function<std::string(const std::string&)> pass;
  double best = 1e9;  // seconds
  std::string result = {};
};

double MiBPerSecond(const Variant& variant) {
  return static_cast<double>(kFileBytes) / (1 << 20) / variant.best;
}

}  // namespace

int main() {
  std::array<wchar_t, MAX_PATH> temp{};
  GetTempPathW(MAX_PATH, temp.data());
  const std::wstring widePath = std::wstring(temp.data()) + L"checksum-bench.bin";
  const std::string path = WideToUtf8(widePath);
  if (!WriteTestFile(widePath)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }

  enum { kMd5, kCrcMd5, kCrcMd5Before, kCrc, kSha256, kAll, kAllBefore };
  std::vector<Variant> variants{
      {"MD5 alone (CryptoAPI)", [](const std::string& p) { return GetFileMD5(p); }},
      {"pass CRC-32 + MD5",
       [](const std::string& p) {
         const FileChecksums sums = GetFileChecksums(p);
         return sums.crc32 + " " + sums.md5;
       }},
      {"CRC-32 + MD5 on one thread",
       [](const std::string& p) { return OneAfterTheOther(p, false); }},
      {"CRC-32 alone", CrcOnly},
      {"SHA-256 alone (CryptoAPI)",
       [](const std::string& p) { return GetFileHash(p, CALG_SHA_256); }},
      {"pass CRC-32 + MD5 + SHA-256",
       [](const std::string& p) {
         const FileChecksums sums = GetFileChecksumsAndSha256(p);
         return sums.crc32 + " " + sums.md5 + " " + sums.sha256;
       }},
      {"the three on one thread", [](const std::string& p) { return OneAfterTheOther(p, true); }},
  };
  for (int round = 0; round < kRounds; ++round) {
    for (Variant& variant : variants) {
      const auto start = std::chrono::steady_clock::now();
      variant.result = variant.pass(path);
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      variant.best = std::min(variant.best, took.count());
    }
  }
  DeleteFileW(widePath.c_str());

  std::printf("%llu MiB file, %zu KiB buffer, best of %d rounds taken in turns\n",
              static_cast<unsigned long long>(kFileBytes >> 20), kChecksumChunkBytes >> 10,
              kRounds);
  for (const Variant& variant : variants) {
    std::printf("  %-30s %7.0f MiB/s  %s\n", variant.name, MiBPerSecond(variant),
                variant.result.c_str());
  }
  const auto ratio = [&](int pass, int alone) {
    return variants[pass].best / variants[alone].best;
  };
  std::printf("  CRC-32 + MD5 / MD5 alone time:            pass %.3f, one thread %.3f\n",
              ratio(kCrcMd5, kMd5), ratio(kCrcMd5Before, kMd5));
  std::printf(
      "  CRC-32 + MD5 + SHA-256 / SHA-256 alone:   pass %.3f, one thread %.3f (goal 1.10)\n",
      ratio(kAll, kSha256), ratio(kAllBefore, kSha256));
  return 0;
}
