// The Winsock protocol catalog: the provider DLLs every program that opens a socket loads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "base/result.h"

namespace sysinfo {

// A catalog entry (the value PackedCatalogItem of each numbered key of
// HKLM\SYSTEM\CurrentControlSet\Services\WinSock2\Parameters\Protocol_Catalog9\Catalog_Entries,
// and of Catalog_Entries64 for 64-bit programs) is the provider's DLL path, NUL-terminated ANSI
// text in a field of MAX_PATH bytes, followed by the protocol's WSAPROTOCOL_INFOW.
inline constexpr std::size_t kCatalogPathField = 260;
inline constexpr std::size_t kProtocolInfoSize = 628;

// The provider's path, as stored (variables unexpanded). The value is hostile input: one shorter
// than a whole entry, a path without its NUL within the field, an empty one or one with a byte
// past ASCII gives a short printable reason. Past ASCII the bytes are in the system's ANSI code
// page, which is not known here, and a guess would name a file other than the one Winsock loads;
// Windows' own providers are ASCII, so such a path is itself worth the reader's attention.
Result<std::string> PackedCatalogItemPath(std::span<const std::uint8_t> packed);

}  // namespace sysinfo
