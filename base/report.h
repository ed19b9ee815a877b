// The report writer and the sink its bytes go to.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/item_recorder.h"

namespace sysinfo {

class Redactor;

// Where report bytes go: a file on Windows, memory in tests. Each call returns the reason when
// it fails and nothing when it succeeds.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual std::optional<std::string> Write(std::string_view utf8Text) = 0;
  virtual std::optional<std::string> Close() = 0;
};

// Appends `text` to `out` with every character that could break or forge a report line (the C0
// controls but tab, DEL, U+0085, U+2028, U+2029) shown as the visible marker "<U+XXXX>".
void AppendVisible(std::string& out, std::string_view text);

// Writes the report line by line (CR LF after each). Each finished line reaches the sink before
// WriteReportLine returns, so a process killed while it waits on the platform has lost no line.
// The first failure is kept and every later write is dropped, so a caller can tell the user that
// the report is incomplete instead of claiming it was saved.
class ReportWriter {
 public:
  explicit ReportWriter(std::unique_ptr<ReportSink> sink);
  ~ReportWriter();
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;

  // Lets the window process its messages before and after the line, so it stays responsive in long
  // sections. Control characters in the text are shown as markers: no value adds a line of its own.
  void WriteReportLine(std::string_view text);

  // A line of a label and a field's value: with a redactor the label stays as it is and the
  // value is replaced as the field's kind says; without one it is WriteReportLine(label + value).
  void WriteValueLine(std::string_view label, std::string_view value, std::string_view field);

  // Starts or continues a line that the next WriteReportLine ends, so a line of any length is
  // written in bounded pieces. Each part ends between two characters.
  void WriteLinePart(std::string_view text);

  // Closes the sink; safe to call more than once. False when anything failed.
  bool CloseReport();

  // Where the collectors record what they print as values; a listener that does nothing unless
  // one was set. The recorder must outlive its use by this writer.
  ItemRecorder& Items() { return *items_; }
  void SetItemRecorder(ItemRecorder* items);

  // Replaces identifying values before any byte reaches the sink. A line written in parts is then
  // held until it ends, so a value split between two parts is still found.
  void SetRedactor(Redactor* redactor) { redactor_ = redactor; }

  bool Failed() const { return error_.has_value(); }
  const std::string& Error() const;
  std::size_t LinesWritten() const { return lines_; }

 private:
  void Append(std::string_view text);
  void EndLine();
  void SendPiece();

  std::unique_ptr<ReportSink> sink_;
  std::string piece_;  // the visible text not yet given to the sink, never much above a piece
  std::optional<std::string> error_;
  std::size_t lines_ = 0;
  ItemRecorder* items_;
  Redactor* redactor_ = nullptr;
  std::string heldLine_;  // with a redactor: the parts of a line not yet ended
};

}  // namespace sysinfo
