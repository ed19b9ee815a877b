// The scan: the report's header, each ticked category framed and numbered, how it ended.
#include "scan/scan.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <system_error>
#include <thread>

#include "base/format.h"
#include "report/json_report.h"
#include "base/levels.h"
#include "scan/ordered_blocks.h"
#include "base/pending_messages.h"

namespace sysinfo {
namespace {

bool Ticked(const ScanRequest& request, std::size_t index) {
  return index < request.ticked.size() && request.ticked[index];
}

void WriteHeader(ReportWriter& report, const ScanCategories& categories, const ScanRequest& request,
                 ScanHost& host) {
  report.WriteReportLine(request.caption);
  report.WriteReportLine("");
  report.WriteReportLine("Date: " + host.ShortDate());
  report.WriteReportLine("Time: " + host.ShortTime());
  report.WriteReportLine("");
  int number = 1;
  for (std::size_t i = 0; i < categories.Count(); ++i) {
    if (Ticked(request, i)) {
      const std::string_view text = categories.Frame(i, request.level).text;
      report.WriteReportLine(std::to_string(number++) + ". " + std::string(text));
    }
    ProcessPendingMessages();
  }
  report.WriteReportLine("");
}

// One category's block between its start and end lines; how its sources answered.
CategoryOutcome WriteCategory(ReportWriter& report, ScanCategories& categories, std::size_t index,
                              int number, const ScanRequest& request) {
  const auto started = std::chrono::steady_clock::now();
  const CategoryFrame frame = categories.Frame(index, request.level);
  report.BeginCategory(frame.text, number, frame.shape, frame.identifying);
  const std::string prefix = std::to_string(number) + ". " + std::string(frame.text);
  report.WriteReportLine(SeparatorLine);
  report.WriteReportLine(prefix + frame.startLine);
  report.WriteReportLine(SeparatorLine);
  if (!frame.needsLevel || IsDetailLevel(request.level))
    categories.Collect(report, index, request.level);
  report.WriteReportLine(prefix + " End");
  report.WriteReportLine(SeparatorLine);
  const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() -
                                                            started;
  return report.EndCategory(elapsed.count());
}

std::string StatusLine(const CategoryFrame& frame) { return "Status: " + frame.status + " ..."; }

// The ticked categories one after the other, each written as it is gathered.
void GatherInTurn(ReportWriter& report, ScanCategories& categories, const ScanRequest& request,
                  ScanHost& host, std::span<const std::size_t> ticked) {
  for (std::size_t b = 0; b < ticked.size() && !report.Failed(); ++b) {
    const CategoryFrame frame = categories.Frame(ticked[b], request.level);
    host.ShowStatus(StatusLine(frame));
    const CategoryOutcome outcome = WriteCategory(report, categories, ticked[b],
                                                  static_cast<int>(b) + 1, request);
    host.CategoryDone(frame.text, outcome);
    ProcessPendingMessages();
  }
}

// Where the blocks gathered side by side go: their lines into the report as they were made, their
// values to the JSON report.
class ReportTarget final : public BlockTarget {
 public:
  ReportTarget(ReportWriter& report, ItemRecorder* items) : report_(report), items_(items) {}
  void WriteText(std::string_view text) override { report_.WriteFinishedLines(text); }
  ItemRecorder& Items() override { return items_ ? *items_ : nobody_; }

 private:
  ReportWriter& report_;
  ItemRecorder* items_;
  ItemRecorder nobody_;
};

// How long the writer waits for the next block before it lets the window process its messages.
constexpr std::chrono::milliseconds kResponsiveWait{30};

// The ticked categories gathered side by side, request.jobs at a time in check-list order, each
// into a block of its own; the blocks are written in order on this thread, the next one as it is
// gathered, while the window processes its messages and its status line names the category the
// report waits for. A stalled category holds back only the writing of those after it. False when
// no thread could be started: nothing was gathered.
bool GatherSideBySide(ReportWriter& report, ScanCategories& categories, const ScanRequest& request,
                      ScanHost& host, std::span<const std::size_t> ticked) {
  OrderedBlocks blocks(ticked.size());
  std::atomic<std::size_t> nextToGather{0};
  std::atomic<bool> stop{false};  // the report failed: nothing more is gathered
  const auto gather = [&] {
    const std::unique_ptr<GatheringThread> thread = categories.StartGatheringThread();
    for (std::size_t b = nextToGather++; b < ticked.size() && !stop; b = nextToGather++) {
      ReportWriter block(report.WritesLines() ? std::make_unique<BlockSink>(blocks, b) : nullptr);
      BlockRecorder items(blocks, b);
      if (report.Recording()) block.SetItemRecorder(&items);
      const CategoryOutcome outcome = WriteCategory(block, categories, ticked[b],
                                                    static_cast<int>(b) + 1, request);
      block.CloseReport();
      const std::string text(categories.Frame(ticked[b], request.level).text);
      blocks.Add(b, [&host, text, outcome](BlockTarget&) { host.CategoryDone(text, outcome); });
      blocks.Finish(b);
    }
  };
  std::vector<std::jthread> workers;
  try {
    while (workers.size() < std::min<std::size_t>(request.jobs, ticked.size()))
      workers.emplace_back(gather);
  } catch (const std::system_error&) {
    if (workers.empty()) return false;  // the threads that did start gather everything
  }
  ReportTarget target(report, request.json);
  std::optional<std::size_t> shown = 0;
  host.ShowStatus(StatusLine(categories.Frame(ticked[0], request.level)));
  while (!blocks.WriteReady(target)) {
    if (report.Failed()) {
      stop = true;
      break;
    }
    if (const std::optional<std::size_t> waiting = blocks.Waiting(); waiting != shown) {
      host.ShowStatus(StatusLine(categories.Frame(ticked[*waiting], request.level)));
      shown = waiting;
    }
    ProcessPendingMessages();
    blocks.WaitForNext(kResponsiveWait);
  }
  return true;  // the workers finish what they began and are joined here
}

// The JSON document into its file, closed; the reason when the file cannot take it.
Status WriteDocument(ReportSink& file, const JsonReport& json) {
  Status error = file.Write(json.Text());
  Status closeError = file.Close();
  return error ? error : closeError;
}

}  // namespace

unsigned DefaultScanJobs() { return std::max(2u, std::thread::hardware_concurrency()); }

ScanOutcome RunScan(const ScanRequest& request, ScanCategories& categories, ScanHost& host) {
  ScanOutcome outcome;
  outcome.path = host.AskReportPath(request.proposedPath);
  if (outcome.path.empty()) return outcome;  // cancelled: nothing written, nothing shown
  ProcessPendingMessages();

  const ReportFormat format = request.json ? ReportFormat::Json : ReportFormat::Text;
  OpenedReport file = host.CreateReport(outcome.path, format);
  if (!file.value) {
    outcome.result = ScanResult::Failed;
    outcome.error = file.error;
    host.ScanFinished(outcome);
    return outcome;
  }
  // A JSON report is made from the recorded values alone: no text line is made for it.
  std::unique_ptr<ReportSink> jsonFile;
  if (request.json) jsonFile = std::move(file.value);
  ReportWriter report(std::move(file.value));
  report.SetItemRecorder(request.json);
  report.SetRedactor(request.redactor);
  host.ReportOpened(report);
  host.ScanStarting();
  ProcessPendingMessages();

  WriteHeader(report, categories, request, host);
  ProcessPendingMessages();

  std::vector<std::size_t> ticked;
  for (std::size_t i = 0; i < categories.Count(); ++i) {
    if (Ticked(request, i)) ticked.push_back(i);
  }
  const auto started = std::chrono::steady_clock::now();
  const bool sideBySide = request.jobs > 1 && ticked.size() > 1 && !request.redactor;
  if (!sideBySide || !GatherSideBySide(report, categories, request, host, ticked))
    GatherInTurn(report, categories, request, host, ticked);
  if (request.json) {
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() -
                                                              started;
    request.json->ScanElapsed(elapsed.count());
  }

  bool saved = report.CloseReport();
  outcome.error = report.WriteError();
  if (saved && jsonFile) {
    outcome.error = WriteDocument(*jsonFile, *request.json);
    saved = !outcome.error;
  }
  outcome.result = saved ? ScanResult::Saved : ScanResult::Failed;
  ProcessPendingMessages();
  host.ShowStatus("Status: Done");
  host.ScanFinished(outcome);
  return outcome;
}

}  // namespace sysinfo
