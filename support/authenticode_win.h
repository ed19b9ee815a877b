// A file's Authenticode status from WinVerifyTrust, embedded or by catalog.
#pragma once

#include <string>

#include "support/authenticode.h"

namespace sysinfo {

// The file's Authenticode status: its embedded signature, or, when it has none, its entry in the
// system's catalogs (how most system files are signed). Never goes to the network: revocation
// is not checked and no certificate is fetched.
FileSignature GetFileSignature(const std::string& path);

}  // namespace sysinfo
