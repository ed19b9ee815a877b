// Where things start from: the registry's places as a table, one row a place, read by a few
// shapes; the places that need more than a shape are read by the gatherer's own readers.
#pragma once

#include <span>
#include <string_view>

#include "collectors/autostart.h"

namespace sysinfo {

// Which hives and views a place is read in.
enum class Scope {
  Machine,  // HKLM\SOFTWARE in both views (the 32-bit one below WOW6432Node)
  Machine64,  // HKLM\SOFTWARE in the 64-bit view only: the key is shared or only 64-bit
  Users,  // each user's Software: the current user's and every other loaded hive's
  MachineAndUsers,  // Machine, then Users
  Machine64AndUsers,  // Machine64, then Users
  UserRoot,  // each user's hive root (Environment, Control Panel)
  System,  // HKLM\SYSTEM, the key below it
};

// How a key's values become entries.
enum class Shape {
  EveryValue,  // each value a command, named by the value
  NamedValue,  // the value `value` of the key
  SubkeyValue,  // the value `value` of each subkey, named by the subkey
  ClassValueData,  // each value's data a class id (CLSID), named by the value
  ClassValueNames,  // each value's name a class id
  ClassSubkeys,  // each subkey's name a class id
  ClassSubkeyValue,  // each subkey's value `value` a class id, named by the subkey
};

// How one value's text holds several entries.
enum class Split { None, Commas, BlanksOrCommas, Strings };

struct AutostartPlace {
  std::string_view family;
  Scope scope;
  std::string_view key;  // below the scope's Software key, hive root or HKLM\SYSTEM
  Shape shape;
  std::string_view value = {};  // "" is the key's default value
  ImageRule rule = ImageRule::CommandLine;
  Split split = Split::None;
};

// The places read by shape, in the order they are read.
std::span<const AutostartPlace> AutostartPlaces();

}  // namespace sysinfo
