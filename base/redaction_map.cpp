// The redaction map written as JSON and read back strictly, as a file that may have been damaged.
#include "base/redaction_map.h"

#include <nlohmann/json.hpp>

#include "base/json_value.h"

namespace sysinfo {
namespace {

constexpr std::size_t kMaxStringBytes = 4096;

// Reads the one shape the map has, byte by byte; the first thing out of place ends the reading
// with its line and column.
class MapReader {
 public:
  explicit MapReader(std::string_view text) : text_(text) {}

  std::optional<MarkerMap> Read(std::string& reason) {
    std::optional<MarkerMap> map = Document();
    if (!map) reason = Place() + ": " + why_;
    return map;
  }

 private:
  std::optional<MarkerMap> Document() {
    if (text_.size() > kMaxRedactionMapBytes) return Fail("larger than a map can be");
    if (!Take('{')) return std::nullopt;
    bool version = false;
    std::optional<MarkerMap> markers;
    do {
      const std::size_t keyAt = at_;
      const auto key = String();
      if (!key || !Take(':')) return std::nullopt;
      if (*key == "version" && !version) {
        if (!Take('1')) return std::nullopt;
        version = true;
      } else if (*key == "markers" && !markers) {
        if (!(markers = Markers())) return std::nullopt;
      } else {
        at_ = keyAt;
        return Fail(*key == "version" || *key == "markers" ? "a key given twice"
                                                           : "an unknown key");
      }
    } while (Take(',', false));
    if (!Take('}')) return std::nullopt;
    Blanks();
    if (at_ != text_.size()) return Fail("text after the map");
    if (!version || !markers) return Fail("no \"version\": 1 and \"markers\"");
    return markers;
  }

  std::optional<MarkerMap> Markers() {
    if (!Take('{')) return std::nullopt;
    MarkerMap map;
    if (Take('}', false)) return map;
    do {
      const std::size_t valueAt = at_;
      const auto value = String();
      if (!value || !Take(':')) return std::nullopt;
      const std::size_t markerAt = at_;
      const auto marker = String();
      if (!marker) return std::nullopt;
      if (!ParseMarker(*marker)) {
        at_ = markerAt;
        return Fail("not a marker");
      }
      if (!map.emplace(Folded(*value), *marker).second) {
        at_ = valueAt;
        return Fail("a value given twice");
      }
    } while (Take(',', false));
    if (!Take('}')) return std::nullopt;
    return map;
  }

  // A JSON string; "\u" escapes of UTF-16, surrogate pairs included, become UTF-8.
  std::optional<std::string> String() {
    if (!Take('"')) return std::nullopt;
    std::string text;
    while (at_ < text_.size() && text_[at_] != '"') {
      const auto byte = static_cast<unsigned char>(text_[at_]);
      if (byte < 0x20) return Fail("a control character in a string");
      if (text.size() >= kMaxStringBytes) return Fail("a string longer than a value can be");
      if (byte != '\\') {
        text += text_[at_++];
        continue;
      }
      if (++at_ >= text_.size()) break;
      const char escaped = text_[at_++];
      const std::string_view simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
      if (const auto found = simple.find(escaped); found != std::string_view::npos) {
        text += meaning[found];
      } else if (escaped != 'u' || !Unicode(text)) {
        return Fail("a bad escape");
      }
    }
    if (at_ >= text_.size()) return Fail("a string that does not end");
    ++at_;
    return text;
  }

  // The "XXXX" after "\u" (and a low surrogate's escape after a high one) as UTF-8.
  bool Unicode(std::string& text) {
    auto hex = [this]() -> std::optional<char32_t> {
      if (at_ + 4 > text_.size()) return std::nullopt;
      const std::string digits(text_.substr(at_, 4));
      if (digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::nullopt;
      at_ += 4;
      return static_cast<char32_t>(std::stoul(digits, nullptr, 16));
    };
    auto code = hex();
    if (!code || (*code >= 0xDC00 && *code <= 0xDFFF)) return false;
    if (*code >= 0xD800 && *code <= 0xDBFF) {
      if (text_.substr(at_, 2) != "\\u") return false;
      at_ += 2;
      const auto low = hex();
      if (!low || *low < 0xDC00 || *low > 0xDFFF) return false;
      code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
    }
    const char32_t c = *code;
    if (c < 0x80) {
      text += static_cast<char>(c);
    } else if (c < 0x800) {
      text += static_cast<char>(0xC0 | (c >> 6));
      text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      text += static_cast<char>(0xE0 | (c >> 12));
      text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      text += static_cast<char>(0xF0 | (c >> 18));
      text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (c & 0x3F));
    }
    return true;
  }

  void Blanks() {
    while (at_ < text_.size() &&
           std::string_view(" \t\r\n").find(text_[at_]) != std::string_view::npos)
      ++at_;
  }

  // The character `c` after blanks; when `required`, its absence is the reason.
  bool Take(char c, bool required = true) {
    Blanks();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    if (required) Fail(std::string("\"") + c + "\" expected");
    return false;
  }

  std::nullopt_t Fail(std::string why) {
    if (why_.empty()) why_ = std::move(why);
    return std::nullopt;
  }

  std::string Place() const {
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < at_ && i < text_.size(); ++i) {
      column = text_[i] == '\n' ? 1 : column + 1;
      line += text_[i] == '\n';
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::string why_;
};

}  // namespace

std::string RedactionMapText(const MarkerMap& map) {
  nlohmann::ordered_json markers = nlohmann::ordered_json::object();
  for (const auto& [value, marker] : map) markers[value] = marker;
  return JsonText({{"version", 1}, {"markers", markers}}) + "\n";
}

std::optional<MarkerMap> ParseRedactionMap(std::string_view text, std::string& reason) {
  return MapReader(text).Read(reason);
}

}  // namespace sysinfo
