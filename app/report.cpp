#include "app/report.h"

#include "app/yield.h"

namespace sysinfo {
namespace {

constexpr std::size_t kFlushThreshold = 64 * 1024;

ItemRecorder& NobodyListening() {
  static ItemRecorder nobody;
  return nobody;
}

}  // namespace

ReportWriter::ReportWriter(std::unique_ptr<ReportSink> sink)
    : sink_(std::move(sink)), items_(&NobodyListening()) {
  buffer_.reserve(kFlushThreshold + 1024);
}

ReportWriter::~ReportWriter() { CloseReport(); }

void ReportWriter::SetItemRecorder(ItemRecorder* items) {
  items_ = items ? items : &NobodyListening();
}

void ReportWriter::WriteReportLine(std::string_view text) {
  Yield();
  if (!error_ && sink_) {
    buffer_ += text;
    buffer_ += "\r\n";
    ++lines_;
    if (buffer_.size() >= kFlushThreshold) Flush();
  }
  Yield();
}

void ReportWriter::Flush() {
  if (buffer_.empty() || error_ || !sink_) return;
  error_ = sink_->Write(buffer_);
  buffer_.clear();
}

bool ReportWriter::CloseReport() {
  if (!sink_) return !error_;
  Flush();
  auto closeError = sink_->Close();
  if (!error_) error_ = std::move(closeError);
  sink_.reset();
  return !error_;
}

const std::string& ReportWriter::Error() const {
  static const std::string none;
  return error_ ? *error_ : none;
}

}  // namespace sysinfo
