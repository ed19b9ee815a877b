// The machine's users, its per-user installer products and its update history, for tests: empty
// until a test fills them.
#pragma once

#include <map>
#include <string>

#include "collectors/user_profiles.h"
#include "collectors/user_software.h"
#include "collectors/windows_updates.h"

namespace sysinfo::testing {

class FakeUserProfiles final : public UserProfileSystem {
 public:
  std::string sid = "S-1-5-21-1-2-3-1001";
  std::map<std::string, std::string> names;  // by SID; a SID not here has no account name

  std::string CurrentUserSid() override { return sid; }
  std::string AccountName(const std::string& account) override {
    const auto found = names.find(account);
    return found == names.end() ? std::string() : found->second;
  }
  Result<std::optional<std::string>> SmallFile(const std::string&, std::size_t) override {
    return {};
  }
  Result<std::vector<std::string>> Subfolders(const std::string&, std::size_t) override {
    return {};
  }
};

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
