// Redaction over any text: no crash, no line break added, and a value learnt before is gone.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/redaction.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first line is a name the machine is known by; the rest is text a report shows.
  const std::size_t end = input.find('\n');
  const std::string_view name = input.substr(0, end);
  const std::string_view text = end == std::string_view::npos ? "" : input.substr(end + 1);
  sysinfo::Redactor redactor;
  const std::string marker = redactor.Learn(sysinfo::Identity::Computer, name);
  for (sysinfo::Identity kind : {sysinfo::Identity::Account, sysinfo::Identity::DeviceId,
                                 sysinfo::Identity::ProxyList, sysinfo::Identity::Serial}) {
    redactor.Value(kind, text);
  }
  const std::string redacted = redactor.Text(text);
  const auto breaks = [](std::string_view s) { return s.find_first_of("\r\n"); };
  if (breaks(text) == std::string_view::npos && breaks(redacted) != std::string::npos)
    __builtin_trap();
  // A learnt computer name (letters, digits, hyphens), standing alone, becomes its marker.
  const bool computerName =
      name.find("S-1-") == std::string_view::npos && name.find("s-1-") == std::string_view::npos &&
      name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                             "0123456789-") == std::string_view::npos;
  if (!marker.empty() && computerName &&
      redactor.Text(" " + std::string(name) + " ") != " " + marker + " ")
    __builtin_trap();
  return 0;
}
