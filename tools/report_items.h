// The items of a category of a JSON report, as the comparison matches them: what lists them, the
// key that pairs an item with its partner in another report, and the name it is shown by. The
// comparison and the fleet database read items only through here, so both pair the same items.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "collectors/category.h"
#include "report/item_recorder.h"
#include "report/json_reader.h"

namespace sysinfo {

using FieldNames = std::span<const std::string_view>;

// What the category list declares about a category's items; nothing declared for a name the list
// does not hold.
struct ItemRules {
  FieldNames key, changing;
  ReportShape shape;
  std::span<const SourceMark> sources;  // how an item's source is told
};
ItemRules ItemRulesOf(std::string_view category);

// One field of an item.
struct ItemField {
  std::string_view name;
  JsonNode value;
};

// One item of a category: a field object of the document, or a value standing for an item of one
// field (a text of a group that holds texts, the name of a category that is its one group).
struct ReportItem {
  std::string_view subsection;  // the name of the listed group holding it, among others; or empty
  JsonNode value;  // the object of fields, or the one field's value
  std::string_view lone;  // the one field's name; empty for an object
  // Where the key fields are: the one item of a group is matched by the group's own members (its
  // name) beside its fields, so no field can pass for the group's key.
  std::optional<JsonNode> block;
  std::string_view ownName;  // an item that stands alone in its category: its name
};

// The items of `category` (an entry of the report's "categories") in document order.
std::vector<ReportItem> ListItems(JsonNode category, const ReportShape& shape);

// The item's fields in document order, into `fields` (cleared first, so it allocates once).
void CollectFields(const ReportItem& item, std::vector<ItemField>& fields);

// What an item is matched by: its group and the values of the key fields it holds, or,
// holding none, its group and its position among such items (`position` > 0).
struct MatchKey {
  std::string key;
  std::size_t position = 0;
};

// Match keys of one category's items, taken in document order.
class MatchKeys {
 public:
  explicit MatchKeys(FieldNames keyFields) : keyFields_(keyFields) {}
  MatchKey Of(const ReportItem& item);

 private:
  FieldNames keyFields_;
  std::unordered_map<std::string, std::size_t> positions_;
};

// An item named by its key values ("#2" for the second item without any), with the group it is
// listed in where its category lists named groups of items. Two items matched apart never have
// the same name.
struct ItemName {
  std::string subsection;
  std::string name;  // the key fields as NameOf writes them: the fleet database's stable key
  std::string shown;  // as a reader is shown it (see NamedForReader); empty: as `name`
};
ItemName NameOf(const ReportItem& item, const MatchKey& identity, FieldNames keyFields);

// The name with what a reader is shown: the key fields the item holds as text, "notepad.exe"
// rather than "notepad.exe, (null), (null)". An item matched by position keeps its "#N".
ItemName NamedForReader(ItemName name, const ReportItem& item, FieldNames keyFields);

// Text with control characters shown as markers, for a line of output.
std::string Visible(std::string_view text);

}  // namespace sysinfo
