// The Windows Updates category: the build, the installed fixes and the Windows Update history.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/levels.h"
#include "base/result.h"
#include "base/value.h"

namespace sysinfo {

class RegistryRoutines;
class ReportWriter;
class WmiService;

// One entry of the Windows Update history, with the agent's own codes.
struct UpdateHistoryEntry {
  std::string title;
  std::int32_t resultCode = 0;  // OperationResultCode: 2 succeeded, 4 failed, ...
  std::int32_t operation = 0;  // UpdateOperation: 1 installation, 2 uninstallation
  std::int32_t hresult = 0;
  SourceValue date = std::string();  // a Moment; empty text when it cannot be converted
};

// The history of what Windows Update installed and removed, newest first.
class UpdateHistory {
 public:
  static constexpr std::string_view kSourceName = "Windows Update history";
  virtual ~UpdateHistory() = default;
  // At most `maxEntries`; what was read and why the rest could not be.
  virtual Result<std::vector<UpdateHistoryEntry>> Entries(std::size_t maxEntries) = 0;
};

// The history's entries a report holds at most.
inline constexpr std::size_t kMaxHistoryEntries = 10'000;

// "KB5035845" of a title that names it ("... (KB5035845)"); empty when none does.
std::string KbNumber(std::string_view title);

// "Succeeded", "Failed", ... of an OperationResultCode; "Unknown (9)" for one it does not know.
std::string ResultWords(std::int32_t resultCode);

struct WindowsUpdatesSources {
  WmiService& wmi;
  RegistryRoutines& keys;
  UpdateHistory& history;
};

// The build with its revision first, then each installed fix by its id, then the history.
void CollectWindowsUpdates(ReportWriter& report, const WindowsUpdatesSources& sources,
                           DetailLevel level);

}  // namespace sysinfo
