// Reports kept in memory for tests: a failing sink, captured lines, a recording scan host.
#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "report/report.h"
#include "scan/scan.h"

namespace sysinfo::testing {

// A report sink that keeps the bytes in memory and can be told to fail at a given write.
class MemorySink final : public ReportSink {
 public:
  explicit MemorySink(std::string& bytes, int failAtWrite = -1, std::size_t* largestWrite = nullptr)
      : bytes_(bytes), failAtWrite_(failAtWrite), largestWrite_(largestWrite) {}

  Status Write(std::string_view utf8Text) override {
    if (writes_++ == failAtWrite_) return Failure("There is not enough space on the disk.");
    bytes_ += utf8Text;
    if (largestWrite_) *largestWrite_ = std::max(*largestWrite_, utf8Text.size());
    return std::nullopt;
  }
  Status Close() override { return std::nullopt; }

 private:
  std::string& bytes_;
  int failAtWrite_;
  std::size_t* largestWrite_;
  int writes_ = 0;
};

// The lines of a report, split at CR LF.
inline std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = std::min(bytes.find("\r\n", start), bytes.size());
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// Collects the lines a collector writes.
class CapturedReport {
 public:
  CapturedReport() : writer_(std::make_unique<MemorySink>(bytes_, -1, &largestWrite_)) {}
  ReportWriter& writer() { return writer_; }
  std::size_t LargestWrite() const { return largestWrite_; }
  std::vector<std::string> Lines() {
    writer_.CloseReport();
    return SplitLines(bytes_);
  }

 private:
  std::string bytes_;
  std::size_t largestWrite_ = 0;
  ReportWriter writer_;
};

// A scan host that writes the report to memory and records what the scan told it.
class MemoryHost final : public ScanHost {
 public:
  explicit MemoryHost(std::string& bytes) : bytes_(bytes) {}
  std::string AskReportPath(const std::string& proposed) override {
    proposedPath = proposed;
    return answer;
  }
  OpenedReport CreateReport(const std::string&, ReportFormat) override {
    if (!failCreate) return {std::make_unique<MemorySink>(bytes_, failAtWrite), {}};
    return {nullptr, Failure("The system cannot find the path specified.")};
  }
  void ScanStarting() override { ++starts; }
  void ShowStatus(const std::string& text) override { statuses.push_back(text); }
  std::string ShortDate() override { return "05/03/2024"; }
  std::string ShortTime() override { return "14:07:09"; }
  void CategoryDone(std::string_view text, const CategoryOutcome& outcome) override {
    outcomes.emplace_back(text, outcome);
  }

  std::string answer = "report.txt";  // the path the user picks; empty text cancels
  bool failCreate = false;
  int failAtWrite = -1;
  std::string proposedPath;
  int starts = 0;
  std::vector<std::string> statuses;
  std::vector<std::pair<std::string, CategoryOutcome>> outcomes;

 private:
  std::string& bytes_;
};

}  // namespace sysinfo::testing
