#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <array>
#include <cstdint>

#include "app/handles_win.h"
#include "app/unicode_win.h"
#include "support/authenticode_win.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using testing::ProgramFolder;
using testing::ReadWholeFile;
using testing::TempFolder;

void WriteBytes(const std::string& path, const std::string& bytes) {
  const UniqueHandle file = AdoptHandle(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0,
                                                    nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(file);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

// The build's throw-away signing certificate in the current user's trusted roots for the test's
// lifetime, so that the signature chains to a trusted root as a real publisher's does.
class TrustedTestRoot {
 public:
  TrustedTestRoot() {
    std::string der;
    if (!ReadWholeFile(ProgramFolder() + "\\test_signer.cer", der)) return;
    store_ = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (!store_) return;
    CertAddEncodedCertificateToStore(store_, X509_ASN_ENCODING,
                                     reinterpret_cast<const BYTE*>(der.data()),
                                     static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                     &added_);
  }
  ~TrustedTestRoot() {
    if (added_) CertDeleteCertificateFromStore(added_);  // also frees the context
    if (store_) CertCloseStore(store_, 0);
  }
  TrustedTestRoot(const TrustedTestRoot&) = delete;
  TrustedTestRoot& operator=(const TrustedTestRoot&) = delete;
  bool Installed() const { return added_ != nullptr; }

 private:
  HCERTSTORE store_ = nullptr;
  PCCERT_CONTEXT added_ = nullptr;
};

// The signed module with one byte flipped at `offset`.
std::string Altered(std::string bytes, std::size_t offset) {
  bytes[offset] = static_cast<char>(bytes[offset] ^ 0x20);
  return bytes;
}

TEST(FileSignature, UnsignedSignedAndAlteredModules) {
  TempFolder folder;
  const TrustedTestRoot root;
  ASSERT_TRUE(root.Installed());
  std::string signedBytes;
  ASSERT_TRUE(ReadWholeFile(ProgramFolder() + "\\signed_test.dll", signedBytes));
  const auto peHeader = static_cast<std::size_t>(*reinterpret_cast<const std::uint32_t*>(&signedBytes[0x3C]));
  ASSERT_GT(peHeader, 0x61u) << "the module has no DOS stub to alter";

  // The DOS stub's message is hashed like the code; the last bytes are the signature itself.
  WriteBytes(folder.File("stub-altered.dll"), Altered(signedBytes, 0x60));
  WriteBytes(folder.File("signature-altered.dll"), Altered(signedBytes, signedBytes.size() - 300));
  WriteBytes(folder.File("notes.txt"), "not a program");

  struct Case {
    std::string path;
    SignatureStatus status;
    std::string signer;
  };
  const Case cases[] = {
      {ProgramFolder() + "\\version_full.dll", SignatureStatus::Unsigned, ""},
      {folder.File("notes.txt"), SignatureStatus::Unsigned, ""},
      {ProgramFolder() + "\\signed_test.dll", SignatureStatus::Signed, "Sysinfo Test Signer"},
      {folder.File("stub-altered.dll"), SignatureStatus::BadSignature, ""},
      {folder.File("signature-altered.dll"), SignatureStatus::BadSignature, ""},
  };
  for (const Case& c : cases) {
    const FileSignature signature = GetFileSignature(c.path);
    EXPECT_EQ(SignatureStatusName(signature.status), SignatureStatusName(c.status)) << c.path;
    EXPECT_EQ(signature.signer, c.signer) << c.path;
    EXPECT_FALSE(signature.fromCatalog) << c.path;
    // Only a status that needs explaining carries the platform's reason.
    EXPECT_EQ(signature.reason.empty(), c.status != SignatureStatus::BadSignature) << c.path;
  }
}

// A file that cannot be read cannot be vouched for: untrusted, with the platform's reason.
TEST(FileSignature, FileThatCannotBeCheckedIsUntrusted) {
  TempFolder folder;
  const std::string locked = folder.File("locked.dll");
  WriteBytes(locked, "MZ");
  const UniqueHandle exclusive = AdoptHandle(CreateFileW(Utf8ToWide(locked).c_str(), GENERIC_READ,
                                                         0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(exclusive);
  for (const std::string& path : {locked, folder.File("missing.dll")}) {
    const FileSignature signature = GetFileSignature(path);
    EXPECT_EQ(SignatureStatusName(signature.status), "untrusted") << path;
    EXPECT_FALSE(signature.reason.empty()) << path;
  }
}

// Wine's own system files are listed in no catalog, so they are unsigned, not an error.
TEST(FileSignature, SystemFileWithoutCatalogEntryIsUnsigned) {
  std::array<wchar_t, MAX_PATH> system{};
  GetSystemDirectoryW(system.data(), MAX_PATH);
  const FileSignature signature = GetFileSignature(WideToUtf8(system.data()) + "\\kernel32.dll");
  EXPECT_EQ(SignatureStatusName(signature.status), "unsigned");
  EXPECT_FALSE(signature.fromCatalog);
}

}  // namespace
}  // namespace sysinfo
