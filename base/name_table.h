// Names looked up by hash in one flat table, for sets of names that may be very large.
#pragma once

#include <bit>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace sysinfo {

// Each name with a place (its index somewhere), in open addressing: a lookup reads a slot or two
// side by side, so the cost per name stays level from twenty names to hundreds of thousands,
// where a node per name would send every lookup to another corner of memory. The names' bytes
// must outlive the table.
class NameTable {
 public:
  explicit NameTable(std::size_t count) : slots_(std::bit_ceil(2 * count + 2)) {}

  // The place `name` was added with first; nothing, and `name` added with `place`, when new.
  std::optional<std::uint32_t> Add(std::string_view name, std::uint32_t place) {
    Slot& slot = SlotOf(name);
    if (slot.used) return slot.place;
    slot = {name, place, true};
    return std::nullopt;
  }

  std::optional<std::uint32_t> Find(std::string_view name) const {
    const Slot& slot = const_cast<NameTable*>(this)->SlotOf(name);
    return slot.used ? std::optional(slot.place) : std::nullopt;
  }

 private:
  struct Slot {
    std::string_view name;
    std::uint32_t place = 0;
    bool used = false;
  };

  // The slot holding `name`, or the free one where it would go.
  Slot& SlotOf(std::string_view name) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = std::hash<std::string_view>{}(name)&mask;
    while (slots_[at].used && slots_[at].name != name) at = (at + 1) & mask;
    return slots_[at];
  }

  std::vector<Slot> slots_;  // at most half used, so a free slot is always near
};

}  // namespace sysinfo
