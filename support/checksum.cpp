// The checksum passes: CRC-32 and digests fed from one read, as report texts.
#include "support/checksum.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "support/crc.h"

namespace sysinfo {
namespace {

// Calls `consume` with every chunk of the file until its end, or the size it had when opened,
// or until `consume` returns false; false when reading failed. A file that shrinks meanwhile
// ends early: what was read is what is hashed. The chunks are read into `front` and `back` by
// turns, so a digest may still be reading the last chunk while the next one is read.
template <typename Consume>
bool ForEachChunk(ByteReader& reader, std::span<std::uint8_t> front, std::span<std::uint8_t> back,
                  Consume consume) {
  std::optional<std::uint64_t> left = reader.SizeWhenOpened();
  for (bool intoBack = false;; intoBack = !intoBack) {
    const std::span<std::uint8_t> buffer = intoBack ? back : front;
    const std::size_t wanted =
        left ? static_cast<std::size_t>(std::min<std::uint64_t>(*left, buffer.size()))
             : buffer.size();
    if (wanted == 0) return true;
    const Result<std::size_t> got = reader.Read(buffer.first(wanted));
    if (got.Failed()) return false;
    if (got.value == 0) return true;
    if (left) *left -= std::min<std::uint64_t>(got.value, *left);
    const bool more = consume(buffer.first(got.value));
    if (!more) return true;
  }
}

// A digest fed on a thread of its own, a chunk at a time, so that the digests of a chunk run side
// by side and the next chunk is read meanwhile. Feed waits for the chunk before, so the reader
// never refills a chunk that a digest still reads. A platform hash object is then used by one
// thread at a time, which is all CryptoAPI asks. Without a thread of its own (not wanted, or none
// could be started) the digest is fed on the caller's thread.
class DigestLane {
 public:
  DigestLane(Digest* digest, bool ownThread) : digest_(digest), ok_(digest != nullptr) {
    if (!digest_ || !ownThread) return;
    try {
      thread_ = std::jthread([this] { Run(); });
    } catch (const std::system_error&) {
      // Fed on the caller's thread.
    }
  }
  DigestLane(const DigestLane&) = delete;
  DigestLane& operator=(const DigestLane&) = delete;
  ~DigestLane() {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return !busy_; });
      stopping_ = true;
    }
    changed_.notify_all();
  }

  void Feed(std::span<const std::uint8_t> chunk) {
    if (!Wait()) return;
    if (!thread_.joinable()) {
      ok_ = digest_->Add(chunk);
      return;
    }
    {
      const std::lock_guard lock(mutex_);
      chunk_ = chunk;
      busy_ = true;
    }
    changed_.notify_all();
  }

  // Waits for the chunk fed last; false once the digest has failed (or there is none).
  bool Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    return ok_;
  }

 private:
  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return busy_ || stopping_; });
      if (stopping_) return;
      lock.unlock();
      const bool added = digest_->Add(chunk_);
      lock.lock();
      ok_ = added;
      busy_ = false;
      changed_.notify_all();
    }
  }

  Digest* digest_;
  std::mutex mutex_;
  std::condition_variable changed_;
  // Under the mutex: a chunk handed to the lane's thread and not yet digested, whether the digest
  // has taken every chunk so far, and whether the lane is to end.
  std::span<const std::uint8_t> chunk_;
  bool ok_;
  bool busy_ = false;
  bool stopping_ = false;
  std::jthread thread_;  // last: joined before the rest goes
};

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
  // SHA-256, the slowest digest, runs on a thread of its own while this thread reads the next
  // chunk, takes its CRC-32 and feeds MD5, so the pass costs about SHA-256 alone. The thread pays
  // only where the file takes more than one read: a smaller file is read whole and hashed here.
  const std::span<std::uint8_t> front = buffer.first(buffer.size() / 2);
  const std::optional<std::uint64_t> size = reader->SizeWhenOpened();
  const bool sideBySide = sha256 && !front.empty() && (!size || *size > front.size());
  const std::span<std::uint8_t> back = buffer.subspan(front.size());
  clsCRC crc;
  DigestLane md5Lane(md5, false);
  DigestLane sha256Lane(sha256, sideBySide);
  const auto consume = [&](std::span<const std::uint8_t> chunk) {
    sha256Lane.Feed(chunk);
    crc.AddBytes(chunk);
    md5Lane.Feed(chunk);
    return true;
  };
  const bool readOk = sideBySide ? ForEachChunk(*reader, front, back, consume)
                                 : ForEachChunk(*reader, buffer, buffer, consume);
  const bool md5Ok = md5Lane.Wait();
  const bool sha256Ok = sha256Lane.Wait();
  if (!readOk) return failed;
  FileChecksums sums{Crc32Text(crc.Value()), std::string(kMd5ErrorText), {}};
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
  const bool readOk = ForEachChunk(*reader, buffer, buffer,
                                   [&](std::span<const std::uint8_t> chunk) {
                                     digestOk = digest->Add(chunk);
                                     return digestOk;
                                   });
  return readOk && digestOk ? DigestText(*digest) : std::string(kMd5ErrorText);
}

}  // namespace sysinfo
