// The machine's users over the real system: the token, the account database, the disk.
#pragma once

#include "collectors/user_profiles.h"

namespace sysinfo {

// The SID of the user this process runs as ("S-1-5-21-..."); empty when the token cannot say.
std::string CurrentUserSidText();

// At most `maxBytes` and one byte more of a file, so that a larger one is known to be larger.
Result<std::string> ReadFileStart(const std::string& path, std::size_t maxBytes);

// A regular file's bytes by its extended-length name, at most `maxBytes`: a larger one is refused
// as larger than expected. Nothing when no regular file is there.
Result<std::optional<std::string>> ReadSmallFile(const std::string& path, std::size_t maxBytes);

class WindowsUserProfiles final : public UserProfileSystem {
 public:
  std::string CurrentUserSid() override;
  std::string AccountName(const std::string& sid) override;
  Result<std::optional<std::string>> SmallFile(const std::string& path,
                                               std::size_t maxBytes) override;
  Result<std::vector<std::string>> Subfolders(const std::string& folder,
                                              std::size_t maxCount) override;
};

}  // namespace sysinfo
