// The fleet database: its history agrees with --compare on every pair of scans, holds the same
// whatever order the reports come in, and takes a report whole or not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "base/json_value.h"
#include "bench/fleet_generator.h"
#include "tools/fleet/fleet_command.h"
#include "tools/fleet/fleet_questions.h"
#include "tools/fleet/fleet_rows.h"
#include "tools/fleet/fleet_store.h"
#include "tools/fleet/sha256.h"
#include "tools/report_check.h"
#include "tools/report_compare.h"

namespace sysinfo {
namespace {

namespace fs = std::filesystem;
using fleet::Json;

Json Seed() {
  std::ifstream file(fs::path(FLEET_SEED_DIR) / "advanced.json");
  return Json::parse(file);
}

// Machine `machine`'s scans as the reports' text, oldest first.
std::vector<std::string> Scans(int machine, int scans = 6) {
  static const Json seed = Seed();
  std::vector<std::string> texts;
  for (const Json& scan : fleet::MachineScans({{seed}, scans, 7}, machine)) {
    texts.push_back(scan.dump(2));
  }
  return texts;
}

// The report as layout 2 writes it: every time in the long spelling of layout 1 as ISO 8601.
std::string AsLayout2(const std::string& text) {
  Json report = Json::parse(text);
  report["schemaVersion"] = 2;
  std::vector<Json*> pending{&report["categories"]};
  while (!pending.empty()) {
    Json* value = pending.back();
    pending.pop_back();
    if (value->is_structured()) {
      for (Json& inner : *value) pending.push_back(&inner);
    } else if (const auto time = value->is_string() ? ParseLongDateTime(value->get<std::string>())
                                                    : std::nullopt) {
      *value = Iso8601(*time);
    }
  }
  return report.dump(2);
}

JsonDocument Document(const std::string& text) {
  JsonRead read = ReadReport(text, "r.json");
  EXPECT_FALSE(read.Failed()) << read.error->message;
  return std::move(read.value);
}

ScanRows Rows(const std::string& text, const std::string& file) {
  Result<ScanRows> rows = RowsOfReport(Document(text), file);
  EXPECT_FALSE(rows.Failed()) << rows.error->message;
  return std::move(rows.value);
}

FleetStore Store() {
  Result<FleetStore> store = FleetStore::Open(":memory:", false);
  EXPECT_FALSE(store.Failed()) << store.error->message;
  return std::move(store.value);
}

Answer Ask(FleetStore& store, std::string_view sql, const Parameters& parameters = {}) {
  Result<Answer> answer = store.Ask(sql, parameters);
  EXPECT_FALSE(answer.Failed()) << answer.error->message;
  return answer.value;
}

// Every table, every row, in one order: what two databases must agree on to be the same.
std::string Dump(FleetStore& store) {
  std::string text;
  for (const char* sql : {"SELECT * FROM machine ORDER BY 1", "SELECT * FROM scan ORDER BY 1, 2",
                          "SELECT * FROM category_status ORDER BY 1, 2, 3",
                          "SELECT * FROM item_version ORDER BY 1, 2, 3, 6"}) {
    text += AnswerCsv(Ask(store, sql));
  }
  return text;
}

// An item's name as the database keys it, without the count that tells apart items of one name.
std::string Unnumbered(std::string key) {
  const auto mark = key.rfind(", #");
  if (mark != std::string::npos &&
      key.find_first_not_of("0123456789", mark + 3) == std::string::npos) {
    key.resize(mark);
  }
  return key;
}

using Changes = std::multiset<std::string>;

Changes CompareChanges(const std::string& before, const std::string& after) {
  const Comparison comparison = CompareReports(Document(before), Document(after), {});
  Changes changes;
  for (const CategoryDifferences& category : comparison.categories) {
    const auto add = [&](const char* kind, const ItemName& name) {
      const std::string key = name.subsection.empty() ? name.name
                                                      : name.subsection + ": " + name.name;
      changes.insert(category.name + " | " + kind + " | " + key);
    };
    for (const ListedItem& item : category.added) add("added", item.name);
    for (const ListedItem& item : category.removed) add("removed", item.name);
    for (const ChangedItem& item : category.changed) add("changed", item.name);
  }
  for (const UnfinishedCategory& category : comparison.unfinished) {
    changes.insert(category.name + " | not compared | ");
  }
  return changes;
}

Changes DatabaseChanges(FleetStore& store, const ScanRows& before, const ScanRows& after) {
  const Answer answer = Ask(
      store, FindQuestion("changes")->sql,
      {{":machine", after.machineId}, {":since", before.scanTime}, {":until", after.scanTime}});
  Changes changes;
  for (const auto& row : answer.rows) {
    changes.insert(*row[4] + " | " + *row[5] + " | " + Unnumbered(row[6].value_or("")));
  }
  return changes;
}

// What is current (gone_at empty) in each category is what its latest finished scan listed.
void ExpectCurrentAsLatestFinished(FleetStore& store, const std::vector<ScanRows>& scans) {
  std::map<std::string, std::multiset<std::string>> latest;
  for (const ScanRows& scan : scans) {
    for (const StatusRow& status : scan.statuses) {
      if (FinishedStatus(status.status)) latest[status.category].clear();
    }
    for (const ItemRow& item : scan.items) {
      const auto status = std::find_if(
          scan.statuses.begin(), scan.statuses.end(),
          [&](const StatusRow& s) { return s.category == item.category; });
      if (FinishedStatus(status->status)) latest[item.category].insert(item.key);
    }
  }
  for (const auto& [category, keys] : latest) {
    const Answer current = Ask(store,
                               "SELECT item_key FROM item_version WHERE category = :category "
                               "AND gone_at IS NULL",
                               {{":category", category}});
    std::multiset<std::string> held;
    for (const auto& row : current.rows) held.insert(*row[0]);
    EXPECT_EQ(held, keys) << category;
  }
}

// Machine 3 is upgraded half-way to a version that writes layout 2: its file times change
// spelling, not reading, and neither the comparison nor the history calls them changed.
TEST(FleetHistory, AgreesWithTheComparisonOnEveryPairOfScans) {
  for (int machine = 0; machine < 4; ++machine) {
    std::vector<std::string> scans = Scans(machine);
    if (machine == 3) {
      ASSERT_NE(scans[3], AsLayout2(scans[3]));
      for (std::size_t i = 3; i < scans.size(); ++i) scans[i] = AsLayout2(scans[i]);
    }
    FleetStore store = Store();
    std::vector<ScanRows> rows;
    for (const std::string& scan : scans) {
      rows.push_back(Rows(scan, "m.json"));
      ASSERT_FALSE(store.Take(rows.back()).Failed());
    }
    std::size_t seen = 0;
    for (std::size_t a = 0; a < scans.size(); ++a) {
      for (std::size_t b = a + 1; b < scans.size(); ++b) {
        const Changes expected = CompareChanges(scans[a], scans[b]);
        EXPECT_EQ(DatabaseChanges(store, rows[a], rows[b]), expected)
            << "machine " << machine << ", scans " << a << " and " << b;
        seen += expected.size();
      }
    }
    EXPECT_GT(seen, 0u) << "the made-up fleet changed nothing to compare";
    ExpectCurrentAsLatestFinished(store, rows);
  }
}

TEST(FleetHistory, HoldsTheSameWhateverOrderTheReportsComeIn) {
  std::vector<ScanRows> fleet;
  for (int machine = 0; machine < 3; ++machine) {
    for (const std::string& scan : Scans(machine)) fleet.push_back(Rows(scan, "r.json"));
  }
  FleetStore inOrder = Store();
  for (const ScanRows& rows : fleet) ASSERT_FALSE(inOrder.Take(rows).Failed());
  const std::string expected = Dump(inOrder);
  // Taking a report again changes nothing.
  EXPECT_EQ(inOrder.Take(fleet[4]).value, FleetStore::Taken::AlreadyHeld);
  EXPECT_EQ(Dump(inOrder), expected);

  std::mt19937 random(11);
  for (int round = 0; round < 4; ++round) {
    std::shuffle(fleet.begin(), fleet.end(), random);
    FleetStore shuffled = Store();
    for (const ScanRows& rows : fleet) ASSERT_FALSE(shuffled.Take(rows).Failed());
    EXPECT_EQ(Dump(shuffled), expected) << "round " << round;
  }
}

// The program as an administrator runs it on a folder with a damaged report in its middle.
TEST(FleetCommand, RefusesADamagedReportWholeAndTakesTheOthers) {
  const fs::path folder = fs::temp_directory_path() / "sysinfo-fleet-test";
  fs::remove_all(folder);
  fs::create_directories(folder / "b");
  const std::vector<std::string> scans = Scans(4, 3);
  std::ofstream(folder / "a.json") << scans[0];
  std::ofstream(folder / "b" / "damaged.json") << scans[1].substr(0, scans[1].size() / 2);
  std::ofstream(folder / "b" / "c.json") << scans[2];
  std::ofstream(folder / "b" / "notes.txt") << "not a report";
  const std::string database = (folder / "fleet.sqlite").string();

  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  EXPECT_EQ(RunFleetCommand({"ingest", folder.string(), "--db", database}, out, err), 1);
  const auto text = [](std::FILE* file) {
    std::string all(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    all.resize(std::fread(all.data(), 1, all.size(), file));
    return all;
  };
  EXPECT_EQ(text(out), "2 added, 0 already held, 1 refused\n");
  const std::string refusal = text(err);
  EXPECT_NE(refusal.find("damaged.json"), std::string::npos) << refusal;
  EXPECT_EQ(std::count(refusal.begin(), refusal.end(), '\n'), 1) << refusal;

  Result<FleetStore> store = FleetStore::Open(database, true);
  ASSERT_FALSE(store.Failed());
  const Answer held = Ask(store.value, "SELECT scan_time FROM scan ORDER BY 1");
  ASSERT_EQ(held.rows.size(), 2u);
  EXPECT_EQ(*held.rows[0][0], Rows(scans[0], "").scanTime);
  EXPECT_EQ(*held.rows[1][0], Rows(scans[2], "").scanTime);
  store.value = FleetStore();  // closed, so that Windows lets the folder go
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3)
      << "the database is one file beside the reports";
  std::fclose(out);
  std::fclose(err);
  fs::remove_all(folder);
}

TEST(FleetRows, RefusesReportsWhoseMachinesCannotBeToldApart) {
  Json report = Json::parse(Scans(0, 1)[0]);
  report["computer"] = "<computer>";
  EXPECT_TRUE(RowsOfReport(Document(report.dump()), "r.json").Failed());
  report["computer"] = "PC";
  report.erase("machineId");
  report.erase("machineIdSource");
  EXPECT_TRUE(RowsOfReport(Document(report.dump()), "r.json").Failed());
}

// The comparison matches fields by name, so a version that writes them in another order changes
// no item's hash.
TEST(FleetRows, FieldOrderChangesNoHash) {
  const std::string text = Scans(0, 1)[0];
  Json reordered = Json::parse(text);
  for (Json& category : reordered["categories"]) {
    if (!category.contains("items")) continue;
    for (Json& item : category["items"]) {
      Json reversed = Json::object();
      std::vector<std::string> names;
      for (const auto& field : item.items()) names.push_back(field.key());
      std::reverse(names.begin(), names.end());
      for (const std::string& name : names) reversed[name] = item[name];
      item = std::move(reversed);
    }
  }
  const ScanRows before = Rows(text, "r.json"), after = Rows(reordered.dump(), "r.json");
  ASSERT_EQ(before.items.size(), after.items.size());
  for (std::size_t i = 0; i < before.items.size(); ++i) {
    EXPECT_EQ(before.items[i].hash, after.items[i].hash) << before.items[i].key;
  }
  EXPECT_NE(before.items[0].fields, after.items[0].fields);
}

TEST(FleetRows, TimesVersionsAndHashes) {
  const std::pair<const char*, std::optional<std::string>> times[] = {
      {"2026-12-07T21:44:46+00:00", "2026-12-07T21:44:46Z"},
      {"2026-01-01T00:30:00+01:00", "2025-12-31T23:30:00Z"},
      {"2024-02-28T22:00:00-05:30", "2024-02-29T03:30:00Z"},
      {"2026-12-07T21:44:46Z", "2026-12-07T21:44:46Z"},
      {"2026-13-07T21:44:46+00:00", std::nullopt},
      {"Monday, December 7, 2026 9:44:33 PM", std::nullopt},
  };
  for (const auto& [iso, utc] : times) EXPECT_EQ(UtcTime(iso), utc) << iso;
  EXPECT_EQ(DaysBefore("2026-03-02T10:00:00Z", 7), "2026-02-23T10:00:00Z");

  EXPECT_LT(VersionKey("9.11"), VersionKey("10.2"));
  EXPECT_LT(VersionKey("1.0"), VersionKey("1.0.1"));
  EXPECT_EQ(VersionKey("01.2"), VersionKey("1.02"));
  EXPECT_LT(VersionKey("2.0 beta"), VersionKey("2.0 rc"));

  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex(std::string(56, 'a')).substr(0, 8), "b35439a4");  // two final blocks
}

}  // namespace
}  // namespace sysinfo
