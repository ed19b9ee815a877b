#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/item_recorder.h"

namespace sysinfo {

// Where report bytes go: a file on Windows, memory in tests. Each call returns the reason when
// it fails and nothing when it succeeds.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual std::optional<std::string> Write(std::string_view utf8Text) = 0;
  virtual std::optional<std::string> Close() = 0;
};

// Writes the report line by line (CR LF after each) through a buffer. The first failure is kept
// and every later write is dropped, so a caller can tell the user that the report is incomplete
// instead of claiming it was saved.
class ReportWriter {
 public:
  explicit ReportWriter(std::unique_ptr<ReportSink> sink);
  ~ReportWriter();
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;

  // Yields to the window before and after the line, so it stays responsive in long sections.
  void WriteReportLine(std::string_view text);

  // Flushes and closes; safe to call more than once. False when anything failed.
  bool CloseReport();

  // Where the collectors record what they print as values; a listener that does nothing unless
  // one was set. The recorder must outlive its use by this writer.
  ItemRecorder& Items() { return *items_; }
  void SetItemRecorder(ItemRecorder* items);

  bool Failed() const { return error_.has_value(); }
  const std::string& Error() const;
  std::size_t LinesWritten() const { return lines_; }

 private:
  void Flush();

  std::unique_ptr<ReportSink> sink_;
  std::string buffer_;
  std::optional<std::string> error_;
  std::size_t lines_ = 0;
  ItemRecorder* items_;
};

}  // namespace sysinfo
