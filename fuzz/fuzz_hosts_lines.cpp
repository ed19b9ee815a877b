// The hosts-file line splitter over any bytes: the same lines at any chunking, no CR or LF.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "collectors/hosts_file.h"

namespace {

std::vector<std::string> Split(std::string_view text, std::size_t chunk) {
  std::vector<std::string> lines;
  std::string line;
  sysinfo::LineSplitter splitter;
  const auto keep = [&lines, &line](std::string_view part, bool ends) {
    line += part;
    if (!ends) return;
    lines.push_back(line);
    line.clear();
  };
  for (std::size_t at = 0; at < text.size(); at += chunk)
    splitter.Feed(text.substr(at, chunk), keep);
  splitter.Finish(keep);
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = 1 + data[0] % 16;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto whole = Split(text, text.size() + 1);
  if (Split(text, chunk) != whole) __builtin_trap();
  for (const std::string& line : whole) {
    if (line.find_first_of("\r\n") != std::string::npos) __builtin_trap();
  }
  return 0;
}
