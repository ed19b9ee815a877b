// Report values as the text the report prints and as whole numbers.
#include <array>
#include <charconv>

#include "base/value.h"

namespace sysinfo {
namespace {

// The shortest text that reads back as the same double, as the report prints computed values.
std::string ShortestText(double value) {
  std::array<char, 32> digits{};
  const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc()) return {};
  return std::string(digits.data(), end);
}

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace

std::optional<std::string> ValueText(const SourceValue& value) {
  return std::visit(
      Overloaded{
          [](const Unreadable&) -> std::optional<std::string> { return std::nullopt; },
          [](const Null&) -> std::optional<std::string> { return std::string(); },
          [](const std::string& text) -> std::optional<std::string> { return text; },
          [](std::int64_t number) -> std::optional<std::string> { return std::to_string(number); },
          [](std::uint64_t number) -> std::optional<std::string> { return std::to_string(number); },
          [](bool flag) -> std::optional<std::string> { return flag ? "True" : "False"; },
          [](double number) -> std::optional<std::string> { return ShortestText(number); },
          [](const Moment& moment) -> std::optional<std::string> { return moment.text; },
      },
      value);
}

std::optional<std::int64_t> WholeNumber(const SourceValue& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) return *number;
  if (const auto* number = std::get_if<std::uint64_t>(&value)) {
    if (*number <= static_cast<std::uint64_t>(INT64_MAX)) return static_cast<std::int64_t>(*number);
    return std::nullopt;
  }
  if (const auto* text = std::get_if<std::string>(&value)) {
    std::int64_t number = 0;
    const auto end = text->data() + text->size();
    const auto [ptr, ec] = std::from_chars(text->data(), end, number);
    if (ec == std::errc() && ptr == end && !text->empty()) return number;
  }
  return std::nullopt;
}

}  // namespace sysinfo
