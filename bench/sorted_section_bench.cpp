// A sorted list section of 100,000 rows against writing the same bytes to a file directly.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "report/redaction.h"
#include "report/report.h"
#include "base/text.h"
#include "collectors/collectors.h"
#include "collectors/sorted_table.h"

#ifdef _WIN32
#include "report/report_file_win.h"
#endif

namespace sysinfo {
namespace {

constexpr std::size_t kRows = 100'000;
constexpr int kRepeats = 5;  // the best of several runs, to keep other work on the machine out

constexpr std::array<std::string_view, 31> kProcessProperties{
    "Name",
    "CommandLine",
    "ExecutablePath",
    "Handle",
    "HandleCount",
    "KernelModeTime",
    "MaximumWorkingSetSize",
    "MinimumWorkingSetSize",
    "OtherOperationCount",
    "OtherTransferCount",
    "PageFaults",
    "PageFileUsage",
    "ParentProcessId",
    "PeakPageFileUsage",
    "PeakVirtualSize",
    "PeakWorkingSetSize",
    "Priority",
    "PrivatePageCount",
    "ProcessId",
    "QuotaNonPagedPoolUsage",
    "QuotaPagedPoolUsage",
    "QuotaPeakNonPagedPoolUsage",
    "QuotaPeakPagedPoolUsage",
    "ReadOperationCount",
    "ReadTransferCount",
    "ThreadCount",
    "UserModeTime",
    "VirtualSize",
    "WorkingSetSize",
    "WriteOperationCount",
    "WriteTransferCount",
};

// One process with a value for every property, the way the WMI adapter hands them over.
class SyntheticProcess final : public WmiObject {
 public:
  explicit SyntheticProcess(std::uint64_t seed) {
    const std::uint64_t id = seed * 2'654'435'761u % 1'000'003;  // scrambles the delivered order
    values_.emplace_back(std::string(id % 3 ? "svc" : "App") + std::to_string(id) + ".exe");
    values_.emplace_back("\"C:\\Program Files\\Vendor " + std::to_string(id % 97) + "\\bin\\app" +
                         std::to_string(id) + ".exe\" --service --log-level=2");
    values_.emplace_back("C:\\Program Files\\Vendor " + std::to_string(id % 97) + "\\bin\\app" +
                         std::to_string(id) + ".exe");
    values_.emplace_back(std::to_string(id % 65'536));  // Handle is text
    for (std::size_t i = values_.size(); i < kProcessProperties.size(); ++i) {
      values_.emplace_back(std::uint64_t{(id + 1) * (i + 7) * 7'919 % 4'000'000'000});
    }
  }

  // The section asks for the properties in column order: looking at the next one first keeps
  // the synthetic source's own cost out of the figures.
  SourceValue Get(std::string_view property) const override {
    for (std::size_t tried = 0; tried < kProcessProperties.size(); ++tried) {
      const std::size_t i = (next_ + tried) % kProcessProperties.size();
      if (EqualsIgnoreCase(kProcessProperties[i], property)) {
        next_ = i + 1;
        return values_[i];
      }
    }
    return Unreadable{};
  }

 private:
  std::vector<SourceValue> values_;
  mutable std::size_t next_ = 0;
};

class SyntheticWmi final : public WmiService {
 public:
  SyntheticWmi() {
    for (std::size_t i = 0; i < kRows; ++i) processes_.emplace_back(i);
  }

  std::unique_ptr<WmiResult> ExecQuery(std::string_view) override {
    return std::make_unique<Result>(processes_);
  }

 private:
  class Result final : public WmiResult {
   public:
    explicit Result(const std::vector<SyntheticProcess>& processes) : processes_(processes) {}
    const WmiObject* Next() override {
      return next_ < processes_.size() ? &processes_[next_++] : nullptr;
    }
    Status Outcome() const override { return std::nullopt; }

   private:
    const std::vector<SyntheticProcess>& processes_;
    std::size_t next_ = 0;
  };

  std::vector<SyntheticProcess> processes_;
};

#ifdef _WIN32
std::unique_ptr<ReportSink> OpenFile(const std::string& path) {
  return CreateFileReport(path).value;
}
#else
class StdioSink final : public ReportSink {
 public:
  explicit StdioSink(std::FILE* file) : file_(file) {}
  ~StdioSink() override { Close(); }
  Status Write(std::string_view text) override {
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size())
      return Failure("write failed");
    return std::nullopt;
  }
  Status Close() override {
    if (!file_) return std::nullopt;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok ? std::nullopt : Status(Failure("close failed"));
  }

 private:
  std::FILE* file_;
};

std::unique_ptr<ReportSink> OpenFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  return file ? std::make_unique<StdioSink>(file) : nullptr;
}
#endif

// The best time of several runs of `work`, each into a file that does not exist yet (so no run
// pays for truncating the previous one's).
double Seconds(const std::string& file, const std::function<void()>& work) {
  double best = 1e30;
  for (int i = 0; i < kRepeats; ++i) {
    std::remove(file.c_str());
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

std::string ReadBack(const std::string& path) {
  std::string bytes;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    char chunk[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    std::fclose(file);
  }
  return bytes;
}

// The same bytes through the same kind of file, in the report writer's 64 KB pieces.
void WriteBytes(const std::string& path, const std::string& bytes) {
  auto sink = OpenFile(path);
  constexpr std::size_t kPiece = 64 * 1024;
  for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
    sink->Write(std::string_view(bytes).substr(at, kPiece));
  }
  sink->Close();
}

// The lines of a report, without their CR LF.
std::vector<std::string_view> LinesOf(const std::string& bytes) {
  std::vector<std::string_view> lines;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t end = bytes.find("\r\n", at);
    lines.push_back(std::string_view(bytes).substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Fill, sort and print timed one by one, on a table of the same shape as the section's.
void PrintPhases(SyntheticWmi& wmi, const std::string& path, DetailLevel level) {
  std::vector<TableLine> lines;
  std::vector<std::string> labels;
  labels.reserve(kProcessProperties.size());
  // Like the section: three lines at Basic, every line at Advanced.
  for (std::string_view property : kProcessProperties) {
    const bool basic = lines.size() < 3;
    labels.push_back(std::string(property) + ": ");
    lines.push_back({labels.back(), property, {basic, true, true}});
  }
  const SortedSection section{"", "Name", lines};

  auto start = std::chrono::steady_clock::now();
  SortedTable table(section);
  FillFromWmi(table, wmi, section.wql);
  const double fill = SecondsSince(start);
  start = std::chrono::steady_clock::now();
  table.Sort("Name");
  const double sort = SecondsSince(start);
  std::remove(path.c_str());
  start = std::chrono::steady_clock::now();
  ReportWriter report(OpenFile(path));
  PrintSortedTable(report, table, section, level);  // sorts again: already in order
  report.CloseReport();
  const double print = SecondsSince(start);
  std::printf("  phases: fill %.3f s, sort %.3f s, print %.3f s\n", fill, sort, print);
}

int Run(const std::string& folder) {
  SyntheticWmi wmi;
  const std::string sectionPath = folder + "/bench-section.txt";
  const std::string bytesPath = folder + "/bench-bytes.txt";
  if (!OpenFile(sectionPath)) {
    std::fprintf(stderr, "cannot create %s\n", sectionPath.c_str());
    return 1;
  }
  std::printf("%zu process rows, %zu columns; best of %d runs\n", kRows, kProcessProperties.size(),
              kRepeats);
  for (DetailLevel level : {DetailLevel::Advanced, DetailLevel::Basic}) {
    const double section = Seconds(sectionPath, [&] {
      ReportWriter report(OpenFile(sectionPath));
      CollectProcesses(report, wmi, level);
      report.CloseReport();
    });
    const std::string bytes = ReadBack(sectionPath);
    const double plainWrite = Seconds(bytesPath, [&] { WriteBytes(bytesPath, bytes); });
    const std::vector<std::string_view> lines = LinesOf(bytes);
    const double lineWrite = Seconds(bytesPath, [&] {
      ReportWriter report(OpenFile(bytesPath));
      for (std::string_view line : lines) report.WriteReportLine(line);
      report.CloseReport();
    });
    // The same section redacted, the redactor knowing as many values as a real machine gives it.
    const double redacted = Seconds(sectionPath, [&] {
      Redactor redactor;
      for (int i = 0; i < 40; ++i)
        redactor.Learn(IdentityKind::Serial, "SN-" + std::to_string(i * 7919));
      redactor.Learn(IdentityKind::Computer, "DESKTOP-7H3K2L");
      redactor.Learn(IdentityKind::User, "jsmith");
      ReportWriter report(OpenFile(sectionPath));
      report.SetRedactor(&redactor);
      CollectProcesses(report, wmi, level);
      report.CloseReport();
    });
    std::printf("level %d: %zu lines, %.1f MB\n", LevelNumber(level), lines.size(),
                bytes.size() / 1e6);
    std::printf("  redacted (42 known values) %.3f s: ratio %.2f to the plain section\n", redacted,
                redacted / section);
    std::printf("  fill+sort+print %.3f s; the same bytes written whole %.3f s (ratio %.2f), "
                "line by line through the report writer %.3f s (ratio %.2f)\n",
                section, plainWrite, section / plainWrite, lineWrite, section / lineWrite);
    PrintPhases(wmi, sectionPath, level);
  }
  std::remove(sectionPath.c_str());
  std::remove(bytesPath.c_str());
  return 0;
}

}  // namespace
}  // namespace sysinfo

int main(int argc, char** argv) { return sysinfo::Run(argc > 1 ? argv[1] : "."); }
