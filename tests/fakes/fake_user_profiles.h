// The users' side of the machine for tests: accounts by SID, files and folders by full path.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/text.h"
#include "collectors/user_profiles.h"

namespace sysinfo::testing {

// Files and folders are found by their path in any letter case, as Windows finds them.
class FakeUserProfiles final : public UserProfileSystem {
 public:
  std::string currentSid = "S-1-5-21-1-2-3-1001";
  std::map<std::string, std::string> accounts;  // SID -> "PC\name"

  void AddFile(const std::string& path, std::string bytes) {
    files_[LowerCase(path)] = std::move(bytes);
    AddFolder(path.substr(0, path.rfind('\\')));
  }
  // The folder and each folder above it, each listed in its parent.
  void AddFolder(const std::string& folder) {
    const std::size_t slash = folder.rfind('\\');
    if (slash == std::string::npos) return;
    std::vector<std::string>& siblings = folders_[LowerCase(folder.substr(0, slash))];
    const std::string name = folder.substr(slash + 1);
    if (std::find(siblings.begin(), siblings.end(), name) == siblings.end())
      siblings.push_back(name);
    AddFolder(folder.substr(0, slash));
  }
  // Reads of the file, or listings of the folder, fail as access denied.
  void Deny(const std::string& path) { denied_.push_back(LowerCase(path)); }

  std::string CurrentUserSid() override { return currentSid; }
  std::string AccountName(const std::string& sid) override {
    const auto found = accounts.find(sid);
    return found == accounts.end() ? std::string() : found->second;
  }
  Result<std::optional<std::string>> SmallFile(const std::string& path,
                                               std::size_t maxBytes) override {
    if (IsDenied(path)) return {std::nullopt, Failure("Access is denied.")};
    const auto found = files_.find(LowerCase(path));
    if (found == files_.end()) return {};
    if (found->second.size() > maxBytes) return {std::nullopt, Failure("larger than expected")};
    return {found->second, {}};
  }
  Result<std::vector<std::string>> Subfolders(const std::string& folder,
                                              std::size_t maxCount) override {
    if (IsDenied(folder)) return {{}, Failure("Access is denied.")};
    const auto found = folders_.find(LowerCase(folder));
    if (found == folders_.end()) return {};
    if (found->second.size() > maxCount)
      return {{found->second.begin(), found->second.begin() + maxCount},
              Failure("more than " + std::to_string(maxCount) + " folders")};
    return {found->second, {}};
  }

 private:
  bool IsDenied(const std::string& path) const {
    return std::find(denied_.begin(), denied_.end(), LowerCase(path)) != denied_.end();
  }

  std::map<std::string, std::string> files_;
  std::map<std::string, std::vector<std::string>> folders_;
  std::vector<std::string> denied_;
};

}  // namespace sysinfo::testing
