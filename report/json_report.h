// JsonReport: the machine-readable report, built from what the collectors record.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "base/levels.h"
#include "report/item_recorder.h"

namespace sysinfo {

// The layout version the JSON report is written in ("schemaVersion"); a report of a newer one is
// refused by the comparison, whose items may mean something this program does not know.
// Layout 2 writes file times as ISO 8601 where layout 1 wrote the user's long spelling, and may
// name the machine by its id.
inline constexpr int kReportSchemaVersion = 2;

// Where the machine's id comes from: the firmware's SMBIOS UUID, or, where the firmware gives
// none of its own, the id Windows made at setup (MachineGuid).
enum class MachineIdSource { Smbios, MachineGuid };
// "smbios", "machine-guid": as the header's "machineIdSource" says it.
std::string_view MachineIdSourceName(MachineIdSource source);
inline constexpr std::string_view kMachineIdSourceNames[] = {"smbios", "machine-guid"};

// What tells one machine's reports from another's when many are loaded together.
struct MachineId {
  std::string id;
  MachineIdSource source = MachineIdSource::Smbios;
};

// What the JSON report says about the scan as a whole.
struct JsonReportHeader {
  std::string version;  // "1.0.2"
  std::string computer;  // the machine's name
  std::string scanTime;  // ISO 8601 with the offset from UTC
  DetailLevel level = DetailLevel::Basic;
  std::optional<MachineId> machineId = {};  // left out when neither id could be read
  bool redacted = false;  // said only when identifying values were replaced
};

// Builds the machine-readable report from what the collectors record: one entry per category
// in scan order with its section number, status, time and items, held in the shape the category
// declares. Field order
// is the order of the text report's lines.
class JsonReport final : public ItemRecorder {
 public:
  explicit JsonReport(const JsonReportHeader& header);

  std::string Text() const;  // UTF-8, indented; see JsonText
  // The scan's own time, from its first category started to its last block written: beside the
  // categories' times, it shows what gathering them side by side saved.
  void ScanElapsed(double milliseconds);

  void BeginCategory(std::string_view name, int number, const ReportShape& shape) override;
  void EndCategory(const CategoryOutcome& outcome) override;
  void BeginGroup(std::string_view name) override;
  void EndGroup() override;
  void BeginItem() override;
  void Field(std::string_view name, const SourceValue& value) override;
  void EndItem() override;

 private:
  nlohmann::ordered_json* Group();  // where the next item goes; nothing between listed groups

  nlohmann::ordered_json document_;
  nlohmann::ordered_json category_;
  ReportShape shape_;  // the current category's
  nlohmann::ordered_json group_;  // the listed group being filled; null between them
  nlohmann::ordered_json item_;  // the item being filled; null between them
};

}  // namespace sysinfo
