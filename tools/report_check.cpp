// A JSON report checked member by member before it is compared: its layout, names and values.
#include "tools/report_check.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>
#include <limits>
#include <vector>

#include "base/program.h"
#include "report/item_recorder.h"
#include "report/json_report.h"
#include "report/redaction.h"
#include "base/levels.h"
#include "scan/scan.h"
#include "collectors/categories.h"

namespace sysinfo {
namespace {

using Fault = Status;
using Check = std::function<Fault(JsonNode)>;

Fault At(JsonNode node, std::string reason) { return RefusedAt(node, std::move(reason)); }

// How a refusal names a value: its member name, or as a list's element.
std::string Described(JsonNode value) {
  return value.Name().empty() ? "an element of a list" : QuotedForRefusal(value.Name());
}

Fault Text(JsonNode value) {
  return value.Is(JsonKind::String) ? Fault() : At(value, Described(value) + " is not text");
}

// The value of a number that is a whole number within 64 bits signed, however it is written
// (3, 3.0, 3e0): NumberKey gives such a number as its digits.
std::optional<std::int64_t> WholeValue(JsonNode value) {
  if (!value.Is(JsonKind::Number)) return std::nullopt;
  const std::string digits = NumberKey(value.Number());
  std::int64_t whole = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), whole);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return whole;
}

Fault Whole(JsonNode value, std::int64_t low, std::int64_t high) {
  const auto whole = WholeValue(value);
  if (whole && *whole >= low && *whole <= high) return std::nullopt;
  return At(value,
            Described(value) + " is not a whole number from " + std::to_string(low) +
                (high == std::numeric_limits<std::int64_t>::max() ? " up"
                                                                  : " to " + std::to_string(high)));
}

// The members an object may hold; each is checked, one that is not here is refused.
struct Member {
  std::string_view name;
  Check check;
  bool required = true;
};

Fault Members(JsonNode object, const std::string& what, const std::vector<Member>& members) {
  if (!object.Is(JsonKind::Object)) return At(object, what + " that is not an object");
  for (JsonNode value : object) {
    const auto known = std::find_if(members.begin(), members.end(), [&](const Member& member) {
      return member.name == value.Name();
    });
    if (known == members.end())
      return At(value, "an unknown member " + Described(value) + " in " + what);
    if (Fault fault = known->check(value)) return fault;
  }
  for (const Member& member : members) {
    if (member.required && !object.Find(member.name)) {
      return At(object, what + " without its " + QuotedForRefusal(member.name));
    }
  }
  return std::nullopt;
}

Fault ListOf(JsonNode list, const Check& each) {
  if (!list.Is(JsonKind::Array)) return At(list, Described(list) + " is not a list");
  for (JsonNode element : list) {
    if (Fault fault = each(element)) return fault;
  }
  return std::nullopt;
}

// An item: its fields, each a single value (what the comparison shows and the schema allows).
Fault Fields(JsonNode item) {
  if (!item.Is(JsonKind::Object)) return At(item, Described(item) + " is not an object of fields");
  for (JsonNode field : item) {
    if (field.Is(JsonKind::Array) || field.Is(JsonKind::Object)) {
      return At(field, "the field " + Described(field) + " holds more than a single value");
    }
  }
  return std::nullopt;
}

Fault Items(JsonNode items) { return ListOf(items, Fields); }

// A name that must be one of `names`, each at most once where `seen` counts them.
Fault OneOf(JsonNode name, std::span<const std::string_view> names, std::string_view what,
            std::vector<bool>* seen = nullptr) {
  if (Fault fault = Text(name)) return fault;
  const auto found = std::find(names.begin(), names.end(), name.Text());
  const std::string quoted = QuotedForRefusal(name.Text());
  const std::string kind(what);
  if (found == names.end()) return At(name, "an unknown " + kind + " " + quoted);
  if (!seen) return std::nullopt;
  auto taken = (*seen)[static_cast<std::size_t>(found - names.begin())];
  if (taken) return At(name, "the " + kind + " " + quoted + " a second time");
  taken = true;
  return std::nullopt;
}

Fault Level(JsonNode level) {
  const Fault fault = Members(
      level, "the level",
      {{"number", [](JsonNode number) { return Whole(number, 1, 3); }}, {"name", Text}});
  if (fault) return fault;
  const JsonNode name = *level.Find("name");
  if (name.Text() == LevelCaption(*LevelFromNumber(*WholeValue(*level.Find("number"))))) {
    return std::nullopt;
  }
  return At(name, "the level's name is not that of its number");
}

constexpr std::array<std::string_view, 4> kStatuses{"ok", "empty", "failed", "timed_out"};
constexpr std::array<std::string_view, 3> kSourceStatuses{"read", "failed", "timed_out"};

// What a group holds, as its shape says.
Check Holding(GroupHolds content) {
  switch (content) {
    case GroupHolds::Items: return Items;
    case GroupHolds::OneItem: return Fields;
    case GroupHolds::Texts: break;
  }
  return [](JsonNode texts) { return ListOf(texts, Text); };
}

Fault Boolean(JsonNode value) {
  return value.Is(JsonKind::True) || value.Is(JsonKind::False)
             ? Fault()
             : At(value, Described(value) + " is not true or false");
}

Fault TextOrNull(JsonNode value) { return value.Is(JsonKind::Null) ? Fault() : Text(value); }

// A category's listed groups, each holding what its shape says, named as it allows: one of the
// names it declares, each once, or any text.
Fault Groups(JsonNode list, const ReportShape& shape) {
  std::vector<bool> seen(shape.names.size());
  const auto name = [&](JsonNode group) {
    return shape.names.empty() ? Text(group) : OneOf(group, shape.names, shape.groupText, &seen);
  };
  std::vector<Member> members;
  if (!shape.name.empty()) members.push_back({shape.name, name});
  members.push_back({shape.holds, Holding(shape.content)});
  const std::string what = "a " + std::string(shape.groupText);
  return ListOf(list, [&](JsonNode group) { return Members(group, what, members); });
}

// The members a category's shape gives it: its groups listed, or the members of its one group,
// whose name is null until the group began.
void AddShapeMembers(std::vector<Member>& members, const ReportShape& shape) {
  if (!shape.list.empty()) {
    members.push_back({shape.list, [&shape](JsonNode list) { return Groups(list, shape); }});
    return;
  }
  if (!shape.name.empty()) members.push_back({shape.name, TextOrNull});
  members.push_back({shape.holds, Holding(shape.content)});
}

// How each source of a category ended, where one was not read.
Fault Sources(JsonNode list) {
  return ListOf(list, [](JsonNode source) {
    return Members(
        source, "a source",
        {{"name", TextOrNull},
         {"status",
          [](JsonNode status) { return OneOf(status, kSourceStatuses, "source status"); }},
         {"error", Text, false}});
  });
}

Fault CheckCategory(JsonNode category, std::vector<bool>& seen) {
  std::vector<std::string_view> names;
  for (const CategoryDefinition* definition : kCategoryList) names.push_back(definition->text);
  if (!category.Is(JsonKind::Object)) return At(category, "a category that is not an object");
  const auto name = category.Find("name");
  if (!name) return At(category, "a category without its \"name\"");
  if (Fault fault = OneOf(*name, names, "category", &seen)) return fault;
  const CategoryDefinition& definition = *kCategoryList[*FindCategory(name->Text())];
  std::vector<Member> members{
      {"name", Text},
      {"section", [](JsonNode section) { return Whole(section, 1, kCategoryCount); }},
      {"status", [](JsonNode status) { return OneOf(status, kStatuses, "status"); }},
      {"elapsedMs",
       [](JsonNode ms) { return Whole(ms, 0, std::numeric_limits<std::int64_t>::max()); }},
      {"error", Text, false},
      {"sources", Sources, false}};
  AddShapeMembers(members, definition.shape);
  return Members(category, "the category " + QuotedForRefusal(name->Text()), members);
}

}  // namespace

Status CheckReport(const JsonDocument& document) {
  const JsonNode root = document.Root();
  const auto tool = root.Find("tool");
  const auto program = tool ? tool->Find("name") : std::nullopt;
  if (!program || !program->Is(JsonKind::String) || program->Text() != kProgramName) {
    return At(root, "not a report written by this program");
  }
  const auto version = root.Find("schemaVersion");
  if (!version) return At(root, "the report has no schemaVersion");
  if (const auto whole = WholeValue(*version); whole && *whole > kReportSchemaVersion) {
    return At(*version, "written by a newer version of this program (schemaVersion " +
                            std::to_string(*whole) + "; this one reads up to " +
                            std::to_string(kReportSchemaVersion) + ")");
  }
  std::vector<bool> seen(kCategoryCount);
  return Members(
      root, "the report",
      {{"schemaVersion", [](JsonNode number) { return Whole(number, 1, kReportSchemaVersion); }},
       {"tool",
        [](JsonNode about) {
          return Members(about, "the tool", {{"name", Text}, {"version", Text}});
        }},
       {"redacted", Boolean, false},
       {"computer", Text},
       {"machineId", Text, false},
       {"machineIdSource",
        [](JsonNode source) { return OneOf(source, kMachineIdSourceNames, "machine id source"); },
        false},
       {"scanTime", Text},
       {"level", Level},
       {"elapsedMs",
        [](JsonNode ms) { return Whole(ms, 0, std::numeric_limits<std::int64_t>::max()); }, false},
       {"categories", [&](JsonNode list) {
          return ListOf(list, [&](JsonNode category) { return CheckCategory(category, seen); });
        }}});
}

bool IsRedactedReport(const JsonDocument& document) {
  const JsonNode root = document.Root();
  if (const auto redacted = root.Find("redacted")) return redacted->Is(JsonKind::True);
  // Written before the header said so: its names are markers.
  for (std::string_view name : {"computer", "machineId"}) {
    const auto value = root.Find(name);
    if (value && value->Is(JsonKind::String) && ParseMarker(value->Text())) return true;
  }
  return false;
}

JsonRead ReadReport(std::string_view text, std::string_view file) {
  return ReadJsonText(text, file, kReportLimits, CheckReport);
}

}  // namespace sysinfo
