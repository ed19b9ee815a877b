// settings.ini values read and written as text: ticks, numbers and the detail-level button.
#include "app/settings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/text.h"

namespace sysinfo {

std::string BooleanText(bool value) { return value ? "True" : "False"; }

std::optional<double> ParseNumber(std::string_view text) {
  const std::string trimmed(Trim(text));
  if (trimmed.empty()) return std::nullopt;
  std::size_t at = 0;
  if (trimmed[at] == '+' || trimmed[at] == '-') ++at;
  bool digits = false;
  bool point = false;
  for (; at < trimmed.size(); ++at) {
    const char c = trimmed[at];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  return std::strtod(trimmed.c_str(), nullptr);
}

std::vector<std::string> ParseRedactWords(std::string_view text) {
  std::vector<std::string> words;
  while (!text.empty()) {
    const auto end = std::min(text.find(';'), text.size());
    if (const std::string_view word = Trim(text.substr(0, end)); !word.empty())
      words.emplace_back(word);
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return words;
}

std::optional<bool> ParseBoolean(std::string_view text) {
  const std::string_view trimmed = Trim(text);
  if (EqualsIgnoreCase(trimmed, "True")) return true;
  if (EqualsIgnoreCase(trimmed, "False")) return false;
  if (const auto number = ParseNumber(trimmed)) return *number != 0;
  return std::nullopt;
}

int RestoredLevelIndex(std::string_view stored, int designIndex) {
  const auto number = ParseNumber(stored);
  if (!number) return 0;
  // A stored real selects the nearest button, a half going to the even one: 1.5 and 2.5 give 2.
  const double index = std::nearbyint(*number);
  if (index < 0 || index >= kLevelButtonCount) return designIndex;
  return static_cast<int>(index);
}

std::string LayeredSettings::ReadIni(std::string_view section, std::string_view key) {
  std::string value = user_->ReadIni(section, key);
  return value.empty() ? beside_->ReadIni(section, key) : value;
}

bool LayeredSettings::WriteIni(std::string_view section, std::string_view key,
                               std::string_view value) {
  if (!useUser_ && beside_->WriteIni(section, key, value)) return true;
  useUser_ = true;
  return user_->WriteIni(section, key, value);
}

}  // namespace sysinfo
