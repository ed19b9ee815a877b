// Windows Updates over the real system: the Windows Update agent's history.
#pragma once

#include "collectors/windows_updates.h"

namespace sysinfo {

// The history through the agent's COM interfaces (IUpdateSession, IUpdateSearcher), reached
// through COM so that no DLL of theirs is imported.
class WindowsUpdateHistory final : public UpdateHistory {
 public:
  Result<std::vector<UpdateHistoryEntry>> Entries(std::size_t maxEntries) override;
};

}  // namespace sysinfo
