// UTF-16 to WTF-8 and back, and WTF-8 made plain UTF-8 for readers that need it.
#include "base/wtf8.h"

namespace sysinfo {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

struct Decoded {
  char32_t code;
  std::size_t length;  // bytes taken, at least one
  bool complete = true;  // false: bytes that start no character, the code is U+FFFD
};

// The code point at the start of a text that is not empty. Surrogates are accepted (that is the
// difference to UTF-8); overlong forms and values above U+10FFFF are not.
Decoded DecodeFirst(std::string_view text) {
  const auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  char32_t code = 0;
  unsigned char low = 0x80;  // the range of the first continuation byte
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {kReplacement, 1, false};
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (i >= text.size() || byte(i) < low || byte(i) > high) return {kReplacement, i, false};
    code = (code << 6) | (byte(i) & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  return {code, length};
}

}  // namespace

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string Utf16ToWtf8(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t code = units[i];
    if (IsHighSurrogate(code) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
      code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
    }
    AppendUtf8(out, code);
  }
  return out;
}

std::u16string Wtf8ToUtf16(std::string_view text) {
  std::u16string units;
  units.reserve(text.size());
  while (!text.empty()) {
    const Decoded decoded = DecodeFirst(text);
    text.remove_prefix(decoded.length);
    if (decoded.code < 0x10000) {
      units += static_cast<char16_t>(decoded.code);
    } else {
      units += static_cast<char16_t>(0xD800 + ((decoded.code - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((decoded.code - 0x10000) & 0x3FF));
    }
  }
  return units;
}

std::size_t Utf8CharacterLength(std::string_view text) {
  if (text.empty()) return 0;
  const Decoded decoded = DecodeFirst(text);
  return decoded.complete && !IsSurrogate(decoded.code) ? decoded.length : 0;
}

std::string Wtf8ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const Decoded decoded = DecodeFirst(text);
    if (IsSurrogate(decoded.code)) {
      AppendUtf8(out, kReplacement);
    } else {
      out.append(text.substr(0, decoded.length));
    }
    text.remove_prefix(decoded.length);
  }
  return out;
}

}  // namespace sysinfo
