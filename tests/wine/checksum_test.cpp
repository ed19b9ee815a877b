#include <gtest/gtest.h>

#include <windows.h>

#include "app/handles_win.h"
#include "app/unicode_win.h"
#include "support/checksum_win.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using testing::TempFolder;

void WriteFile(const std::string& path, const std::string& bytes) {
  const UniqueHandle file = AdoptHandle(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0,
                                                    nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(file);
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
  return bytes;
}

TEST(FileChecksums, KnownFilesThroughCryptoApi) {
  TempFolder folder;
  struct Case {
    const char* name;
    std::string bytes;
    std::string crc32;
    std::string md5;
  };
  const Case cases[] = {
      {"empty.bin", "", "0", "D41D8CD98F00B204E9800998ECF8427E"},
      {"fox.txt", "The quick brown fox jumps over the lazy dog", "414FA339",
       "9E107D9D372BB6826BD81D3542A419D6"},
      {"one-chunk.bin", Pattern(1 << 20), "EF0E6054", "8F293A2F6C19B345152F7A49BB4C643C"},
      {"chunks.bin", Pattern((3 << 20) + 5), "454448A1", "028BFCC1395093C0DF0DC731DE96E1B5"},
  };
  for (const Case& c : cases) {
    const std::string path = folder.File(c.name);
    WriteFile(path, c.bytes);
    const FileChecksums sums = GetFileChecksums(path);
    EXPECT_EQ(sums.crc32, c.crc32) << c.name;
    EXPECT_EQ(sums.md5, c.md5) << c.name;
    EXPECT_EQ(GetFileMD5(path), c.md5) << c.name;
  }
}

// SHA-256 through CryptoAPI's AES provider, from the same read as CRC-32 and MD5.
TEST(FileChecksums, Sha256OfKnownFilesFromTheSameRead) {
  TempFolder folder;
  struct Case {
    const char* name;
    std::string bytes;
    std::string crc32;
    std::string md5;
    std::string sha256;
  };
  const Case cases[] = {
      {"empty.bin", "", "0", "D41D8CD98F00B204E9800998ECF8427E",
       "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"},
      {"fox.txt", "The quick brown fox jumps over the lazy dog", "414FA339",
       "9E107D9D372BB6826BD81D3542A419D6",
       "D7A8FBB307D7809469CA9ABCB0082E4F8D5651E46D3CDB762D02D0BF37C9E592"},
      {"one-chunk.bin", Pattern(1 << 20), "EF0E6054", "8F293A2F6C19B345152F7A49BB4C643C",
       "631B84027D6B9E52B539C4E8373622D23032DFADC64D60AF87339C9037E4F769"},
      {"chunks.bin", Pattern((3 << 20) + 5), "454448A1", "028BFCC1395093C0DF0DC731DE96E1B5",
       "B01669D77761C4DFDFC8FB927821087BCF5C9EF1F917C4F1F8504E529F19EDAB"},
  };
  for (const Case& c : cases) {
    const std::string path = folder.File(c.name);
    WriteFile(path, c.bytes);
    const FileChecksums sums = GetFileChecksumsAndSha256(path);
    EXPECT_EQ(sums.crc32, c.crc32) << c.name;
    EXPECT_EQ(sums.md5, c.md5) << c.name;
    EXPECT_EQ(sums.sha256, c.sha256) << c.name;
    EXPECT_EQ(GetFileHash(path, CALG_SHA_256), c.sha256) << c.name;
    EXPECT_EQ(GetFileChecksums(path).sha256, "") << "the text report's pass takes no SHA-256";
  }
  const FileChecksums missing = GetFileChecksumsAndSha256(folder.File("missing.bin"));
  EXPECT_EQ(missing.crc32, "Error Getting CRC-32");
  EXPECT_EQ(missing.sha256, "");
}

TEST(FileChecksums, HiddenAndSystemFilesAreHashedLikeAnyOther) {
  TempFolder folder;
  const DWORD attributes[] = {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY};
  for (DWORD attribute : attributes) {
    const std::string path = folder.File("marked-" + std::to_string(attribute) + ".exe");
    WriteFile(path, "hidden program");
    ASSERT_TRUE(SetFileAttributesW(Utf8ToWide(path).c_str(), attribute));
    const FileChecksums sums = GetFileChecksums(path);
    EXPECT_EQ(sums.crc32, "7998D50D") << attribute;
    EXPECT_EQ(sums.md5, "FA39569FE4D0E000237E068C4717522D") << attribute;
  }
}

TEST(FileChecksums, OpenByOthersLockedMissingOrFolder) {
  TempFolder folder;
  const std::string path = folder.File("shared.bin");
  WriteFile(path, "The quick brown fox jumps over the lazy dog");
  const FileChecksums good{"414FA339", "9E107D9D372BB6826BD81D3542A419D6"};
  const FileChecksums failed{"Error Getting CRC-32", "Error Getting MD5 Hash"};
  {
    // Another program writing to the file, or holding it for deletion, does not stop us.
    const UniqueHandle writer = AdoptHandle(CreateFileW(
        Utf8ToWide(path).c_str(), GENERIC_WRITE | DELETE,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    const FileChecksums sums = GetFileChecksums(path);
    EXPECT_EQ(sums.crc32, good.crc32);
    EXPECT_EQ(sums.md5, good.md5);
  }
  {
    // A program that locks the file out: the error texts, no hang, no crash.
    const UniqueHandle locker = AdoptHandle(
        CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locker);
    const FileChecksums sums = GetFileChecksums(path);
    EXPECT_EQ(sums.crc32, failed.crc32);
    EXPECT_EQ(sums.md5, failed.md5);
    EXPECT_EQ(GetFileMD5(path), failed.md5);
  }
  for (const std::string& bad : {folder.File("missing.bin"), folder.path()}) {
    const FileChecksums sums = GetFileChecksums(bad);
    EXPECT_EQ(sums.crc32, failed.crc32) << bad;
    EXPECT_EQ(sums.md5, failed.md5) << bad;
    EXPECT_EQ(GetFileMD5(bad), failed.md5) << bad;
  }
}

TEST(FileChecksums, NamesOutsideTheAnsiCodePage) {
  TempFolder folder;
  const std::string path = folder.File("\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB3-\xE7\xA8\x8B\xE5\xBA\x8F.exe");
  WriteFile(path, "The quick brown fox jumps over the lazy dog");
  const FileChecksums sums = GetFileChecksums(path);
  EXPECT_EQ(sums.crc32, "414FA339");
  EXPECT_EQ(sums.md5, "9E107D9D372BB6826BD81D3542A419D6");
}

TEST(FileChecksums, OtherAlgorithmsThroughTheSameHashObject) {
  TempFolder folder;
  const std::string path = folder.File("fox.txt");
  WriteFile(path, "The quick brown fox jumps over the lazy dog");
  EXPECT_EQ(GetFileHash(path, CALG_SHA1), "2FD4E1C67A2D28FCED849EE1BB76E7391B93EB12");
}

}  // namespace
}  // namespace sysinfo
