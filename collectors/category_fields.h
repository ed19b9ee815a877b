// What each category declares beside its table about its items' fields.
#pragma once

#include <span>
#include <string_view>

#include "base/identity.h"

namespace sysinfo {

// Declared once beside each category's table, read by the report comparison and by redaction.
struct CategoryFields {
  // What tells an item apart when two reports are compared: the values of those of these fields
  // the item holds (a service by its Name). An item holding none of them is matched by position.
  std::span<const std::string_view> key;
  // Fields that change by themselves between two scans (process ids, counters, times): left out
  // of a comparison unless every field is asked for.
  std::span<const std::string_view> changing;
  // Fields whose values identify the machine or its people, replaced in a redacted report.
  std::span<const IdentifyingField> identifying;
  // The WMI query the identifying fields come from, so that a redacted report learns them all
  // before its first line; empty for a category that reads no WMI class.
  std::string_view query = {};
  // The sub-sections its items are grouped in, by name (Memory's); none for the others.
  std::span<const std::string_view> groups = {};
};

}  // namespace sysinfo
