// The task cache's Actions value and a Winsock catalog entry over any bytes: every fault a short
// printable reason, never more actions than a task may have, each class a braced GUID, each path
// plain ASCII within its field.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "collectors/task_cache_actions.h"
#include "collectors/winsock_catalog.h"

namespace {

void CheckReason(const sysinfo::Status& error) {
  if (!error) return;
  if (error->message.empty() || error->message.size() > 160) __builtin_trap();
  for (char c : error->message) {
    if (c < ' ' || c > '~') __builtin_trap();
  }
}

void CheckActions(std::span<const std::uint8_t> value) {
  const auto actions = sysinfo::DecodeTaskCacheActions(value);
  CheckReason(actions.error);
  const auto& [commands, handlers] = actions.value;
  if (commands.size() + handlers.size() > sysinfo::kMaxCachedActions) __builtin_trap();
  for (const std::string& handler : handlers) {
    if (sysinfo::BracedGuid(handler) != handler) __builtin_trap();
  }
}

void CheckCatalogEntry(std::span<const std::uint8_t> packed) {
  const auto path = sysinfo::PackedCatalogItemPath(packed);
  CheckReason(path.error);
  if (path.Failed() != path.value.empty()) __builtin_trap();
  if (path.value.size() >= sysinfo::kCatalogPathField) __builtin_trap();
  for (char c : path.value) {
    if (c == '\0' || static_cast<unsigned char>(c) > 0x7F) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  CheckActions(bytes);
  CheckCatalogEntry(bytes);
  // Most inputs are shorter than a whole entry; padded, their path is read too.
  std::vector<std::uint8_t> padded(bytes.begin(), bytes.end());
  padded.resize(std::max(padded.size(), sysinfo::kCatalogPathField + sysinfo::kProtocolInfoSize));
  CheckCatalogEntry(padded);
  return 0;
}
