// User Software over the real system: Windows Installer's per-user products.
#pragma once

#include "collectors/user_software.h"

namespace sysinfo {

// msi.dll, loaded from System32 when first asked, never imported.
class WindowsInstallerProducts final : public InstallerProducts {
 public:
  Result<std::vector<InstallerProduct>> UserProducts() override;
};

}  // namespace sysinfo
