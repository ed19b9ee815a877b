// The Network Protocols section: every Win32_NetworkProtocol, sorted by name.
#include <array>

#include "collectors/collectors.h"
#include "collectors/sorted_table.h"

namespace sysinfo {
namespace {

constexpr std::array<std::string_view, 23> kColumns{
    "Name",
    "Caption",
    "ConnectionlessService",
    "Description",
    "GuaranteesDelivery",
    "GuaranteesSequencing",
    "InstallDate",
    "MaximumAddressSize",
    "MaximumMessageSize",
    "MessageOriented",
    "MinimumAddressSize",
    "PseudoStreamOriented",
    "Status",
    "SupportsBroadcasting",
    "SupportsConnectData",
    "SupportsDisconnectData",
    "SupportsEncryption",
    "SupportsExpeditedData",
    "SupportsFragmentation",
    "SupportsGracefulClosing",
    "SupportsGuaranteedBandwidth",
    "SupportsMulticasting",
    "SupportsQualityofService",
};

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

constexpr SortedSection kSection{kColumns, "Name", kLines};

}  // namespace

void CollectNetworkProtocols(ReportWriter& report, WmiService& wmi, int level) {
  PrintSortedWmiSection(report, wmi, "SELECT * FROM Win32_NetworkProtocol", kSection, level);
}

}  // namespace sysinfo
