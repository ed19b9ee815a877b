// A file's signature status and the rules that classify WinVerifyTrust's results.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sysinfo {

// What the platform's Authenticode check says about a file.
enum class SignatureStatus {
  Signed,  // a valid signature, embedded or in a system catalog, chaining to a trusted root
  Unsigned,  // neither an embedded signature nor a catalog entry
  BadSignature,  // a signature whose digest does not match the file, or that is malformed
  Untrusted,  // a signature that verifies, but whose certificate the machine does not trust
              // (unknown root, expired, revoked, distrusted), or a check that could not be made
};

struct FileSignature {
  SignatureStatus status = SignatureStatus::Unsigned;
  std::string signer;  // the signing certificate's display name, when there is one
  bool fromCatalog = false;  // vouched for by a system catalog rather than an embedded signature
  std::string reason;  // the platform's text for a status other than signed or unsigned
};

// "signed", "unsigned", "bad_signature", "untrusted": the JSON report's words.
std::string_view SignatureStatusName(SignatureStatus status);

// The status that WinVerifyTrust's result code stands for. Codes it is not known to return for
// a file count as untrusted: nothing unknown is ever called signed.
SignatureStatus ClassifyTrustResult(std::uint32_t result);

// Whether the result means the file carries no embedded signature at all, so that the system
// catalogs are worth asking.
bool MeansNoEmbeddedSignature(std::uint32_t result);

}  // namespace sysinfo
