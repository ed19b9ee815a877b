// WinVerifyTrust result codes classified, and their names in the JSON report.
#include "support/authenticode.h"

#include <array>

namespace sysinfo {
namespace {

// Result codes of WinVerifyTrust (winerror.h), spelled out so the host build can classify them.
constexpr std::uint32_t kProviderUnknown = 0x800B0001;  // TRUST_E_PROVIDER_UNKNOWN
constexpr std::uint32_t kSubjectFormUnknown = 0x800B0003;  // TRUST_E_SUBJECT_FORM_UNKNOWN
constexpr std::uint32_t kNoSignature = 0x800B0100;  // TRUST_E_NOSIGNATURE

constexpr std::array<std::uint32_t, 3> kNoEmbeddedSignature{kProviderUnknown, kSubjectFormUnknown,
                                                            kNoSignature};

// The file or its signature was altered, or the signature blob is not a valid one.
constexpr std::array<std::uint32_t, 5> kBadSignature{
    0x80096010,  // TRUST_E_BAD_DIGEST: the file's hash differs from the signed one
    0x80096004,  // TRUST_E_CERT_SIGNATURE: a certificate's signature does not verify
    0x80090006,  // NTE_BAD_SIGNATURE
    0x80091007,  // CRYPT_E_HASH_VALUE
    0x8009200D,  // CRYPT_E_BAD_MSG: the certificate table holds no valid signed message
};

template <std::size_t N>
bool Contains(const std::array<std::uint32_t, N>& codes, std::uint32_t result) {
  for (std::uint32_t code : codes) {
    if (code == result) return true;
  }
  return false;
}

}  // namespace

std::string_view SignatureStatusName(SignatureStatus status) {
  switch (status) {
    case SignatureStatus::Signed: return "signed";
    case SignatureStatus::Unsigned: return "unsigned";
    case SignatureStatus::BadSignature: return "bad_signature";
    case SignatureStatus::Untrusted: break;
  }
  return "untrusted";
}

SignatureStatus ClassifyTrustResult(std::uint32_t result) {
  if (result == 0) return SignatureStatus::Signed;
  if (MeansNoEmbeddedSignature(result)) return SignatureStatus::Unsigned;
  if (Contains(kBadSignature, result)) return SignatureStatus::BadSignature;
  return SignatureStatus::Untrusted;
}

bool MeansNoEmbeddedSignature(std::uint32_t result) {
  return Contains(kNoEmbeddedSignature, result);
}

}  // namespace sysinfo
