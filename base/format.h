// The separator line and FormatBytes, byte counts as text in the user's number format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sysinfo {

// 128 hyphens: frames every section and closes every record.
inline constexpr std::string_view SeparatorLine =
    "--------------------------------------------------------------------------------------------"
    "------------------------------------";
static_assert(SeparatorLine.size() == 128);

// The user's decimal and thousands characters (UTF-8; either may be several bytes or empty).
struct NumberFormat {
  std::string decimal = ".";
  std::string grouping = ",";
};

// The format used by FormatBytes when none is given; the Windows start-up reads the user's.
const NumberFormat& CurrentNumberFormat();
void SetCurrentNumberFormat(NumberFormat format);

// A byte count as text with unit, "0 Bytes" up to "1.00 TB" and beyond; without units the
// grouped whole number. The value is any decimal text (WMI hands 64-bit numbers over as text).
// A negative value counts as its unsigned 32-bit pattern; text that is not a number comes back
// unchanged.
std::string FormatBytes(std::string_view value, bool withUnits, const NumberFormat& format);
std::string FormatBytes(std::string_view value, bool withUnits = true);
std::string FormatBytes(std::int64_t value, bool withUnits = true);
std::string FormatBytes(std::uint64_t value, bool withUnits = true);

// Decimal digits grouped in threes with the given separator.
std::string GroupDigits(std::string_view digits, std::string_view separator);

}  // namespace sysinfo
