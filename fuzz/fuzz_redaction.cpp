// Redaction over any text: no crash, no line break added, a value learnt before is gone in every
// spelling, and any text offered as a redaction map is refused or read back as it is written.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "report/redaction.h"
#include "report/redaction_map.h"

namespace {

// The text with every marker ("<user-2>", "<computer>") taken out.
std::string WithoutMarkers(std::string text) {
  for (auto open = text.find('<'); open != std::string::npos; open = text.find('<', open)) {
    const auto close = text.find('>', open);
    if (close == std::string::npos) break;
    if (sysinfo::ParseMarker(std::string_view(text).substr(open, close - open + 1))) {
      text.erase(open, close - open + 1);
    } else {
      ++open;
    }
  }
  return text;
}

// The text with each "%XX" as the byte it stands for.
std::string PercentDecoded(std::string_view text) {
  std::string decoded;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '%' && at + 2 < text.size() &&
        std::isxdigit(static_cast<unsigned char>(text[at + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[at + 2]))) {
      decoded += static_cast<char>(std::stoi(std::string(text.substr(at + 1, 2)), nullptr, 16));
      at += 2;
    } else {
      decoded += text[at];
    }
  }
  return decoded;
}

std::string PercentEncoded(std::string_view text) {
  std::string encoded;
  for (unsigned char c : text)
    encoded += "%" + std::string(1, "0123456789ABCDEF"[c >> 4]) + "0123456789ABCDEF"[c & 15];
  return encoded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first line is a name the machine is known by; the rest is text a report shows, which
  // is also offered as the map of earlier reports.
  const std::size_t end = input.find('\n');
  const std::string_view name = input.substr(0, end);
  const std::string_view text = end == std::string_view::npos ? "" : input.substr(end + 1);
  const auto map = sysinfo::ParseRedactionMap(text, "map");
  if (!map.Failed()) {
    const auto again = sysinfo::ParseRedactionMap(sysinfo::RedactionMapText(map.value), "map");
    if (again.Failed() || again.value != map.value) __builtin_trap();
  }
  sysinfo::Redactor redactor(map.value);
  const std::string marker = redactor.Learn(sysinfo::IdentityKind::Word, name);
  for (sysinfo::IdentityKind kind :
       {sysinfo::IdentityKind::Account, sysinfo::IdentityKind::DeviceId,
        sysinfo::IdentityKind::ProxyList, sysinfo::IdentityKind::ProxyOverrides,
        sysinfo::IdentityKind::Serial, sysinfo::IdentityKind::Word}) {
    redactor.Value(kind, text);
  }
  const std::string redacted = redactor.Text(text);
  const auto breaks = [](std::string_view s) { return s.find_first_of("\r\n"); };
  if (breaks(text) == std::string_view::npos && breaks(redacted) != std::string::npos)
    __builtin_trap();
  // A word the user asked to hide (letters, digits, hyphens) standing alone, as written, in
  // capitals and percent-encoded, is gone: replaced by its marker or by what it also is (a
  // phone number, a device address, a security identifier); no letter or digit of it is left.
  const bool plainName = !name.empty() && name.find_first_not_of(
                                              "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                              "0123456789-") == std::string_view::npos;
  if (marker.empty() || !plainName) return 0;
  std::string capitals(name);
  for (char& c : capitals) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  for (const std::string& spelling : {std::string(name), capitals, PercentEncoded(capitals)}) {
    const std::string left = PercentDecoded(WithoutMarkers(redactor.Text(" " + spelling + " ")));
    if (left.find_first_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") !=
        std::string::npos)
      __builtin_trap();
  }
  return 0;
}
