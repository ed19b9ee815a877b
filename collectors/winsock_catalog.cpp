// The provider path of a Winsock catalog entry, read as hostile input: anyone who can write the
// key chooses the DLL that every program using sockets loads.
#include "collectors/winsock_catalog.h"

#include <algorithm>

namespace sysinfo {

Result<std::string> PackedCatalogItemPath(std::span<const std::uint8_t> packed) {
  const std::size_t whole = kCatalogPathField + kProtocolInfoSize;
  if (packed.size() < whole) {
    return {{},
            Failure("a catalog entry of " + std::to_string(packed.size()) + " bytes, not " +
                    std::to_string(whole))};
  }
  const auto field = packed.first(kCatalogPathField);
  const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  if (end == field.end()) return {{}, Failure("a provider path without its end")};
  if (end == field.begin()) return {{}, Failure("an empty provider path")};
  const auto wide = std::find_if(field.begin(), end, [](std::uint8_t byte) { return byte > 0x7F; });
  if (wide != end) {
    return {{},
            Failure("a provider path that is not ASCII (byte " +
                    std::to_string(wide - field.begin()) + ")")};
  }
  return {std::string(field.begin(), end), {}};
}

}  // namespace sysinfo
