// FormatBytes: decimal text parsed, scaled to its unit and written with the user's separators.
#include "base/format.h"

#include <array>
#include <charconv>
#include <optional>

#include "base/text.h"

namespace sysinfo {
namespace {

NumberFormat& MutableNumberFormat() {
  static NumberFormat format;
  return format;
}

constexpr std::uint64_t kTwoPow32 = 4'294'967'296;
constexpr std::uint64_t kFractionScale = 10'000;  // four decimal places, like a currency value

// A decimal number split into its whole part and ten-thousandths.
struct Decimal {
  bool negative = false;
  std::uint64_t whole = 0;
  std::uint64_t fraction = 0;  // 0 .. 9,999
};

std::optional<Decimal> ParseDecimal(std::string_view text, std::string_view decimalChar) {
  text = Trim(text);
  Decimal number;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    number.negative = text[0] == '-';
    text.remove_prefix(1);
  }
  std::string_view wholeDigits = text;
  std::string_view fractionDigits;
  std::size_t point = text.find('.');
  std::size_t pointLength = 1;
  if (point == std::string_view::npos && !decimalChar.empty()) {
    point = text.find(decimalChar);
    pointLength = decimalChar.size();
  }
  if (point != std::string_view::npos) {
    wholeDigits = text.substr(0, point);
    fractionDigits = text.substr(point + pointLength);
  }
  if (wholeDigits.empty() && fractionDigits.empty()) return std::nullopt;
  if (!wholeDigits.empty()) {
    const auto end = wholeDigits.data() + wholeDigits.size();
    const auto [ptr, ec] = std::from_chars(wholeDigits.data(), end, number.whole);
    if (ec != std::errc() || ptr != end) return std::nullopt;
  }
  std::uint64_t scale = kFractionScale;
  for (char c : fractionDigits) {
    if (c < '0' || c > '9') return std::nullopt;
    scale /= 10;
    number.fraction += static_cast<std::uint64_t>(c - '0') * scale;  // digits past the fourth drop
  }
  return number;
}

std::string DecimalText(const Decimal& number, std::string_view decimalChar) {
  std::string text = number.negative ? "-" : "";
  text += std::to_string(number.whole);
  if (number.fraction != 0) {
    std::string digits = std::to_string(number.fraction + kFractionScale).substr(1);
    digits.erase(digits.find_last_not_of('0') + 1);
    text += decimalChar;
    text += digits;
  }
  return text;
}

// A negative value is read as its unsigned 32-bit pattern: v + 2^32. The result may still be
// negative for values below -2^32.
Decimal UnsignedPattern(const Decimal& number) {
  if (!number.negative) return number;
  const bool stillNegative = number.whole > kTwoPow32 ||
                             (number.whole == kTwoPow32 && number.fraction > 0);
  if (stillNegative) {
    Decimal rest = number;
    rest.whole -= kTwoPow32;
    return rest;
  }
  Decimal corrected;
  corrected.whole = kTwoPow32 - number.whole - (number.fraction > 0 ? 1 : 0);
  corrected.fraction = (kFractionScale - number.fraction) % kFractionScale;
  return corrected;
}

// The whole value rounded half up.
std::uint64_t RoundedWhole(const Decimal& number) {
  return number.whole + (number.fraction * 2 >= kFractionScale ? 1 : 0);
}

// value / 2^shift in hundredths, rounded half up, without overflowing 64 bits.
std::uint64_t Hundredths(const Decimal& number, int shift) {
  const std::uint64_t quotient = number.whole >> shift;
  const std::uint64_t remainder = number.whole & ((std::uint64_t{1} << shift) - 1);
  const std::uint64_t scaledRemainder = remainder * kFractionScale + number.fraction;
  const std::uint64_t divisor = (std::uint64_t{1} << shift) * kFractionScale;
  return quotient * 100 + (scaledRemainder * 100 + divisor / 2) / divisor;
}

std::string TwoDecimals(std::uint64_t hundredths, const NumberFormat& format) {
  const std::string cents = std::to_string(hundredths % 100 + 100).substr(1);
  return GroupDigits(std::to_string(hundredths / 100), format.grouping) + format.decimal + cents;
}

struct Unit {
  int shift;  // the unit is 2^shift bytes
  std::string_view suffix;
};
constexpr std::array<Unit, 4> kUnits{{{10, " KB"}, {20, " MB"}, {30, " GB"}, {40, " TB"}}};

}  // namespace

const NumberFormat& CurrentNumberFormat() { return MutableNumberFormat(); }

void SetCurrentNumberFormat(NumberFormat format) { MutableNumberFormat() = std::move(format); }

std::string GroupDigits(std::string_view digits, std::string_view separator) {
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) grouped += separator;
    grouped += digits[i];
  }
  return grouped;
}

std::string FormatBytes(std::string_view value, bool withUnits, const NumberFormat& format) {
  const auto parsed = ParseDecimal(value, format.decimal);
  if (!parsed) return std::string(value);
  const Decimal number = UnsignedPattern(*parsed);
  if (number.negative) return DecimalText(number, format.decimal);

  if (!withUnits) return GroupDigits(std::to_string(RoundedWhole(number)), format.grouping);

  if (number.whole < 1024) {
    return GroupDigits(std::to_string(RoundedWhole(number)), format.grouping) + " Bytes";
  }
  // The largest unit whose size the value reaches; TB has no upper bound.
  const Unit* unit = &kUnits.front();
  for (const Unit& candidate : kUnits) {
    if (number.whole >= (std::uint64_t{1} << candidate.shift)) unit = &candidate;
  }
  return TwoDecimals(Hundredths(number, unit->shift), format) + std::string(unit->suffix);
}

std::string FormatBytes(std::string_view value, bool withUnits) {
  return FormatBytes(value, withUnits, CurrentNumberFormat());
}

std::string FormatBytes(std::int64_t value, bool withUnits) {
  return FormatBytes(std::to_string(value), withUnits);
}

std::string FormatBytes(std::uint64_t value, bool withUnits) {
  return FormatBytes(std::to_string(value), withUnits);
}

}  // namespace sysinfo
