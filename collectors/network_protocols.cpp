// The Network Protocols section: every Win32_NetworkProtocol, sorted by name.
#include <array>

#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/sorted_table.h"

namespace sysinfo {
namespace {

// "Message Oriented: " is an Advanced line although its neighbours are Moderate ones.
constexpr std::array<TableLine, 23> kLines{{
    {"Name: ", "Name", {1, 1, 1}},
    {"Caption: ", "Caption", {1, 1, 1}},
    {"Connectionless Service: ", "ConnectionlessService", {0, 1, 1}},
    {"Description: ", "Description", {1, 1, 1}},
    {"Guarantees Delivery: ", "GuaranteesDelivery", {0, 1, 1}},
    {"Guarantees Sequencing: ", "GuaranteesSequencing", {0, 1, 1}},
    {"Install Date: ", "InstallDate", {0, 0, 1}},
    {"Maximum Address Size: ", "MaximumAddressSize", {0, 1, 1}},
    {"Maximum Message Size: ", "MaximumMessageSize", {0, 1, 1}},
    {"Message Oriented: ", "MessageOriented", {0, 0, 1}},
    {"Minimum Address Size: ", "MinimumAddressSize", {0, 1, 1}},
    {"Pseudo Stream Oriented: ", "PseudoStreamOriented", {0, 1, 1}},
    {"Status: ", "Status", {0, 1, 1}},
    {"Supports Broadcasting: ", "SupportsBroadcasting", {0, 0, 1}},
    {"Supports Connect Data: ", "SupportsConnectData", {0, 0, 1}},
    {"Supports Disconnect Data: ", "SupportsDisconnectData", {0, 0, 1}},
    {"Supports Encryption: ", "SupportsEncryption", {0, 0, 1}},
    {"Supports Expedited Data: ", "SupportsExpeditedData", {0, 0, 1}},
    {"Supports Fragmentation: ", "SupportsFragmentation", {0, 0, 1}},
    {"Supports Graceful Closing: ", "SupportsGracefulClosing", {0, 0, 1}},
    {"Supports Guaranteed Bandwidth: ", "SupportsGuaranteedBandwidth", {0, 0, 1}},
    {"Supports Multicasting: ", "SupportsMulticasting", {0, 0, 1}},
    {"Supports Quality of Service: ", "SupportsQualityofService", {0, 0, 1}},
}};

constexpr SortedSection kSection{"SELECT * FROM Win32_NetworkProtocol", "Name", kLines};

// How two reports' items are matched, what changes by itself, and what identifies.
// clang-format off
constexpr std::array<std::string_view, 1> kKey{"Name"};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::span<const IdentifyingField> kIdentifying{};
// clang-format on

}  // namespace

void CollectNetworkProtocols(ReportWriter& report, WmiService& wmi, DetailLevel level) {
  PrintSortedWmiSection(report, wmi, kSection, level);
}

extern const CategoryDefinition kNetworkProtocolsCategory{"Network Protocols",
                                                          StartLine::WithDetail,
                                                          Over<CollectNetworkProtocols>,
                                                          {kKey, kChanging, kIdentifying}};

}  // namespace sysinfo
