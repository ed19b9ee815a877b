// What a category is: its one definition, at the end of its collector's file.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "base/levels.h"
#include "report/identity.h"
#include "report/item_recorder.h"

namespace sysinfo {

class Redactor;
class RegistryRoutines;
class ReportWriter;
class Sources;

// How the comparison tells which source of its category an item came from: an item holding
// `field` came from `source`, or, where `source` is empty, from the source the field's value
// names. The first mark the item holds tells.
struct SourceMark {
  std::string_view field;
  std::string_view source = {};
};

// What each category declares about its items' fields, read by the report comparison and by
// redaction.
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
  // What a redacted report learns from the registry before its first line, for a category whose
  // identifying values are there: so a value is replaced even in a category scanned before.
  void (*learn)(Redactor& redactor, RegistryRoutines& keys) = nullptr;
  // For a category whose sources fail apart (ReportWriter::BeginSource): whose items are whose.
  // Without marks, a source not read leaves the whole category uncompared.
  std::span<const SourceMark> sources = {};
};

// How a category's start line reads after "3. CPU".
enum class StartLine {
  WithDetail,  // " (Detail Level: Moderate) Start"; without a chosen level the block stays empty
  WithFilePath,  // " Start (C:\...\hosts)": the file the category copies
  Plain,  // " Start"
};

// Native: the file-system redirection of 32-bit programs is off while the collector runs, so a
// 32-bit build sees the real System32 (drivers, the hosts file) as a 64-bit one does.
enum class FileView { Redirected, Native };

// Writes one category's block at the detail level (1 to 3), from the sources it asks for.
using CollectFunction = void (*)(ReportWriter& report, const Sources& sources, DetailLevel level);

// Everything the program knows of a category, declared once beside its collector.
struct CategoryDefinition {
  std::string_view text;  // the check-list text, also the settings key and the --category name
  StartLine startLine;
  CollectFunction collect;
  CategoryFields fields;
  ReportShape shape = {};  // how the JSON report holds what it found
  FileView files = FileView::Redirected;
  // The status line while it is scanned, when it is not "Scanning " and the text.
  std::string_view scanning = {};
  // StartLine::WithFilePath: the file it copies, as the sources know it.
  std::string (*filePath)(const Sources& sources) = nullptr;
  // The detail level from which its text report shows a file's SHA-256; None: never. A scan that
  // shows one takes it in every read of a file, so that no file is read twice.
  DetailLevel sha256From = DetailLevel::None;
};

}  // namespace sysinfo
