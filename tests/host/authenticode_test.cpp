// WinVerifyTrust result codes and the signature status each one gives.
#include <gtest/gtest.h>

#include "support/authenticode.h"

namespace sysinfo {
namespace {

// What the JSON report says for each answer WinVerifyTrust can give about a file.
TEST(ClassifyTrustResult, EachResultCodeGivesItsStatus) {
  // clang-format off
  const std::tuple<std::uint32_t, const char*, const char*, bool> cases[] = {
      {0x00000000, "verified", "signed", false}, {0x800B0100, "TRUST_E_NOSIGNATURE", "unsigned", true},
      {0x800B0003, "TRUST_E_SUBJECT_FORM_UNKNOWN (not a signable file)", "unsigned", true},
      {0x800B0001, "TRUST_E_PROVIDER_UNKNOWN", "unsigned", true},
      {0x80096010, "TRUST_E_BAD_DIGEST (file altered)", "bad_signature", false},
      {0x80096004, "TRUST_E_CERT_SIGNATURE", "bad_signature", false},
      {0x80090006, "NTE_BAD_SIGNATURE", "bad_signature", false}, {0x80091007, "CRYPT_E_HASH_VALUE", "bad_signature", false},
      {0x8009200D, "CRYPT_E_BAD_MSG", "bad_signature", false}, {0x800B0109, "CERT_E_UNTRUSTEDROOT", "untrusted", false},
      {0x800B010A, "CERT_E_CHAINING", "untrusted", false}, {0x800B0101, "CERT_E_EXPIRED", "untrusted", false},
      {0x800B010C, "CERT_E_REVOKED", "untrusted", false}, {0x800B0111, "TRUST_E_EXPLICIT_DISTRUST", "untrusted", false},
      {0x80092026, "CRYPT_E_SECURITY_SETTINGS (blocked by policy)", "untrusted", false},
      {0x00000001, "a code nobody documents", "untrusted", false},
  };
  // clang-format on
  for (const auto& [result, meaning, status, askCatalogs] : cases) {
    EXPECT_EQ(SignatureStatusName(ClassifyTrustResult(result)), status) << meaning;
    EXPECT_EQ(MeansNoEmbeddedSignature(result), askCatalogs) << meaning;
  }
}

}  // namespace
}  // namespace sysinfo
