// The XML reader, the package manifest and the task file over any bytes: within every bound it was
// given, or refused with one short printable reason.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "collectors/scheduled_tasks.h"
#include "collectors/store_packages.h"
#include "collectors/task_cache_actions.h"
#include "support/xml_reader.h"

namespace {

constexpr std::size_t kMaxDepth = 8;
constexpr std::size_t kMaxElements = 64;
constexpr std::size_t kMaxAttributes = 4;

// The elements below and including `element`; traps on one deeper or wider than allowed.
std::size_t Count(const sysinfo::XmlElement& element, std::size_t depth) {
  if (depth > kMaxDepth || element.name.empty() || element.attributes.size() > kMaxAttributes)
    __builtin_trap();
  std::size_t count = 1;
  for (const sysinfo::XmlElement& child : element.children) count += Count(child, depth + 1);
  return count;
}

void CheckReason(const sysinfo::Status& error) {
  if (!error) return;
  if (error->message.empty() || error->message.size() > 200) __builtin_trap();
  for (char c : error->message) {
    if (c < ' ' || c > '~') __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  sysinfo::XmlLimits limits;
  limits.maxDepth = kMaxDepth;
  limits.maxElements = kMaxElements;
  limits.maxAttributes = kMaxAttributes;
  const sysinfo::Result<sysinfo::XmlElement> read = sysinfo::ReadXmlDocument(bytes, limits);
  CheckReason(read.error);
  if (!read.Failed() && Count(read.value, 1) > kMaxElements) __builtin_trap();
  CheckReason(sysinfo::ReadPackageManifest(bytes).error);
  const auto task = sysinfo::ReadTaskDocument(bytes);
  CheckReason(task.error);
  for (const std::string& handler : task.value.handlers) {
    if (sysinfo::BracedGuid(handler) != handler) __builtin_trap();
  }
  return 0;
}
