// The report writer and the sink its bytes go to.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "report/identity.h"
#include "report/item_recorder.h"
#include "base/result.h"

namespace sysinfo {

class Redactor;

// Where report bytes go: a file on Windows, memory in tests. Each call returns nothing when it
// succeeds and why when it fails.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual Status Write(std::string_view utf8Text) = 0;
  virtual Status Close() = 0;
};

// A report file just created, or the reason it could not be.
using OpenedReport = Result<std::unique_ptr<ReportSink>>;

// Appends `text` to `out` with every character that could break or forge a report line (the C0
// controls but tab, DEL, U+0085, U+2028, U+2029) shown as the visible marker "<U+XXXX>".
void AppendVisible(std::string& out, std::string_view text);

// Writes the report: each line (CR LF after it) and, for a JSON report listening, each value as a
// field of an item. A value is given once, redacted once, and goes to both. Each finished line
// reaches the sink before WriteReportLine returns, so a process killed while it waits on the
// platform has lost no line. The first failure is kept and every later write is dropped, so a
// caller can tell the user that the report is incomplete instead of claiming it was saved.
// Without a sink (a scan that writes only the JSON report) no line is made.
class ReportWriter {
 public:
  explicit ReportWriter(std::unique_ptr<ReportSink> sink);
  ~ReportWriter();
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;

  // Control characters in the text are shown as markers: no value adds a line of its own.
  void WriteReportLine(std::string_view text);

  // Starts or continues a line that the next WriteReportLine ends, so a line of any length is
  // written in bounded pieces. Each part ends between two characters.
  void WriteLinePart(std::string_view text);

  // One value: the line of its label and text, and the field `name` of the current item holding
  // it. With a redactor the text is replaced as the field's kind says, and the field holds the
  // same replacement.
  void WriteField(std::string_view label, std::string_view text, std::string_view name,
                  const SourceValue& value);
  // A field the JSON report holds without a line of its own (a composed line's parts).
  void RecordField(std::string_view name, const SourceValue& value);

  // Whether lines are written at all, and whether a JSON report listens. Extras that cost time
  // and reach only the JSON report (signature checks) are skipped when nobody does.
  bool WritesLines() const { return sink_ != nullptr; }
  bool Recording() const { return items_ != nullptr; }
  bool Redacting() const { return redactor_ != nullptr; }

  // The JSON report's frames around the fields: an item, and a group of items (a part of a
  // category, a registry key's block, a file) as the category's shape holds them. A group's name
  // is redacted unless the shape declares it.
  void BeginItem();
  void EndItem();
  void BeginGroup(std::string_view name);
  void EndGroup();

  // A source of the current category (a query, a file) has been read to its end (nothing) or
  // failed or stopped answering; the first failure is what the category's outcome says. The
  // source is the one last begun, or the one named; none: one the category does not tell apart.
  void SourceEnded(const Status& failure);
  void SourceEnded(std::string_view source, const Status& failure);
  // The sources a category names are those whose items a comparison can tell apart (by the
  // fields it declares): a source that failed then leaves only its own items uncompared.
  void BeginSource(std::string_view source);
  // "Not Read: ..." naming each source not read and why, ahead of the block's end line; nothing
  // when every source was read.
  void WriteNotRead();

  // The scan driver frames each category: its name, section number, shape in the JSON report and
  // identifying fields; EndCategory says how its sources answered and passes that on.
  void BeginCategory(std::string_view name, int number, const ReportShape& shape,
                     std::span<const IdentifyingField> identifying);
  CategoryOutcome EndCategory(double milliseconds);

  // Lines another writer has already made (a category's block gathered on another thread): handed
  // to the sink as they are, control characters marked, redacted and each ended by CR LF.
  void WriteFinishedLines(std::string_view text);

  // Closes the sink; safe to call more than once. False when anything failed.
  bool CloseReport();

  // Where recorded values go (the JSON report); nobody when null. Must outlive its use here.
  void SetItemRecorder(ItemRecorder* items) { items_ = items; }

  // Replaces identifying values before any byte reaches the sink or the recorder. A line written
  // in parts is then held until it ends, so a value split between two parts is still found.
  void SetRedactor(Redactor* redactor) { redactor_ = redactor; }

  bool Failed() const { return error_.has_value(); }
  const Status& WriteError() const { return error_; }
  std::size_t LinesWritten() const { return lines_; }

 private:
  void WriteLine(std::string_view label, std::string_view text);
  void Append(std::string_view text);
  void EndLine();
  void SendPiece();
  std::string Redacted(std::string_view text) const;

  std::unique_ptr<ReportSink> sink_;
  std::string piece_;  // the visible text not yet given to the sink, never much above a piece
  Status error_;
  std::size_t lines_ = 0;
  ItemRecorder* items_ = nullptr;
  Redactor* redactor_ = nullptr;
  std::string heldLine_;  // with a redactor: the parts of a line not yet ended
  // The current category: its first failed source, each source that ended, the source being
  // read, and whether it recorded anything.
  Status failure_;
  std::vector<SourceOutcome> sources_;
  std::string source_;
  bool anything_ = false;
  std::span<const std::string_view> groupNames_;  // the names its shape declares
};

}  // namespace sysinfo
