// The check list's properties, OLE colours and fonts, and the bag they are saved in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "ui/control_look.h"

namespace sysinfo::ui {

// A store of named values, standing in for a designer's property bag. A value equal to its write
// default is not stored; a key written twice is stored twice and reads find the first.
class PropertyBag {
 public:
  using Value = std::variant<std::int64_t, double, bool, std::string, FontSpec>;

  void Write(std::string_view key, const Value& value, const Value& writeDefault);
  Value Read(std::string_view key, const Value& readDefault) const;
  std::size_t Size() const { return entries_.size(); }

 private:
  std::vector<std::pair<std::string, Value>> entries_;
};

// The persisted properties of one check list, in the two groups they are saved in. The first
// group sets the template item and the control; the second is kept as stored copies and written
// back as it is (only MultiSelect of it is used while running).
struct CheckListProperties {
  // First group.
  double itemHeight = 275;
  int alignment = 1;
  int selected = 0;
  int appearanceBorder = 1;
  int appearanceCheck = 1;
  OleColor foreColor = kButtonText;
  bool enabled = true;
  FontSpec font;
  OleColor backColor = kButtonFace;
  int borderStyle = 1;
  std::string list;
  bool multiSelect = true;
  // Second group: the stored copies.
  OleColor storedForeColor = kButtonFace;
  bool storedEnabled = true;
  FontSpec storedFont;
  int storedAlignment = 0;
  int storedSelected = 1;
  int storedAppearanceCheck = 1;
  std::string storedList;
};

// The properties of a control placed anew (no saved bag): the defaults with the ambient font.
CheckListProperties NewCheckListProperties(const FontSpec& ambientFont);
CheckListProperties ReadCheckListProperties(const PropertyBag& bag, const FontSpec& ambientFont);
void WriteCheckListProperties(PropertyBag& bag, const CheckListProperties& properties,
                              const FontSpec& ambientFont);

}  // namespace sysinfo::ui
