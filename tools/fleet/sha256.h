// SHA-256 of bytes in memory, portable: the fleet database's hash of an item's fields, the same
// on every machine the database is built on.
#pragma once

#include <string>
#include <string_view>

namespace sysinfo {

// The digest as 64 lowercase hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);

}  // namespace sysinfo
