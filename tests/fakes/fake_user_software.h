// The machine's per-user installer products and its update history, for tests: empty until a
// test fills them.
#pragma once

#include <cstddef>

#include "collectors/user_software.h"
#include "collectors/windows_updates.h"

namespace sysinfo::testing {

class FakeInstaller final : public InstallerProducts {
 public:
  Result<std::vector<InstallerProduct>> products;
  Result<std::vector<InstallerProduct>> UserProducts() override { return products; }
};

class FakeUpdateHistory final : public UpdateHistory {
 public:
  Result<std::vector<UpdateHistoryEntry>> entries;
  std::size_t asked = 0;  // the most entries the category asked for
  Result<std::vector<UpdateHistoryEntry>> Entries(std::size_t maxEntries) override {
    asked = maxEntries;
    return entries;
  }
};

}  // namespace sysinfo::testing
