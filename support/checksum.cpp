// The checksum passes: CRC-32 and digests fed from one read, as report texts.
#include "support/checksum.h"

#include <algorithm>

#include "base/pending_messages.h"
#include "support/crc.h"

namespace sysinfo {
namespace {

// Calls `consume` with every chunk of the file until its end, or the size it had when opened,
// or until `consume` returns false; false when reading failed. A file that shrinks meanwhile
// ends early: what was read is what is hashed.
template <typename Consume>
bool ForEachChunk(ByteReader& reader, std::span<std::uint8_t> buffer, Consume consume) {
  std::optional<std::uint64_t> left = reader.SizeWhenOpened();
  for (;;) {
    const std::size_t wanted =
        left ? static_cast<std::size_t>(std::min<std::uint64_t>(*left, buffer.size()))
             : buffer.size();
    if (wanted == 0) return true;
    const Result<std::size_t> got = reader.Read(buffer.first(wanted));
    if (got.Failed()) return false;
    if (got.value == 0) return true;
    if (left) *left -= std::min<std::uint64_t>(got.value, *left);
    const bool more = consume(buffer.first(got.value));
    ProcessPendingMessages();
    if (!more) return true;
  }
}

std::string DigestText(Digest& digest) {
  const auto bytes = digest.Finish();
  return bytes && !bytes->empty() ? HexDigest(*bytes) : std::string(kMd5ErrorText);
}

}  // namespace

std::string HexDigest(std::span<const std::uint8_t> bytes) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
  }
  return text;
}

FileChecksums ChecksumPass(ByteReader* reader, Digest* md5, std::span<std::uint8_t> buffer,
                           Digest* sha256) {
  const FileChecksums failed{std::string(kCrc32ErrorText), std::string(kMd5ErrorText), {}};
  if (!reader || buffer.empty()) return failed;
  std::uint32_t crc = 0xFFFFFFFFu;
  bool md5Ok = md5 != nullptr;
  bool sha256Ok = sha256 != nullptr;
  const bool readOk = ForEachChunk(*reader, buffer, [&](std::span<const std::uint8_t> chunk) {
    crc = Crc32Update(crc, chunk);
    if (md5Ok) md5Ok = md5->Add(chunk);
    if (sha256Ok) sha256Ok = sha256->Add(chunk);
    return true;
  });
  if (!readOk) return failed;
  FileChecksums sums{Crc32Text(crc ^ 0xFFFFFFFFu), std::string(kMd5ErrorText), {}};
  if (md5Ok) sums.md5 = DigestText(*md5);
  if (sha256Ok) {
    const auto bytes = sha256->Finish();
    if (bytes && !bytes->empty()) sums.sha256 = HexDigest(*bytes);
  }
  return sums;
}

std::string DigestPass(ByteReader* reader, Digest* digest, std::span<std::uint8_t> buffer) {
  if (!reader || !digest || buffer.empty()) return std::string(kMd5ErrorText);
  bool digestOk = true;
  const bool readOk = ForEachChunk(*reader, buffer, [&](std::span<const std::uint8_t> chunk) {
    digestOk = digest->Add(chunk);
    return digestOk;
  });
  return readOk && digestOk ? DigestText(*digest) : std::string(kMd5ErrorText);
}

}  // namespace sysinfo
