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

namespace sysinfo {
namespace {

bool Ticked(const ScanChoices& choices, std::size_t index) {
  return index < choices.ticked.size() && choices.ticked[index];
}

void WriteHeader(ReportWriter& report, const ScanCategories& categories, const ScanChoices& choices,
                 ScanHost& host) {
  report.WriteReportLine(choices.caption);
  report.WriteReportLine("");
  report.WriteReportLine("Date: " + host.ShortDate());
  report.WriteReportLine("Time: " + host.ShortTime());
  // Whoever reads a posted report should know the names in it are not the machine's own.
  if (choices.redact)
    report.WriteReportLine("Redacted: names, numbers and secrets that identify the machine or "
                           "its people are replaced by markers.");
  report.WriteReportLine("");
  int number = 1;
  for (std::size_t i = 0; i < categories.Count(); ++i) {
    if (Ticked(choices, i)) {
      const std::string_view text = categories.Frame(i, choices.level).text;
      report.WriteReportLine(std::to_string(number++) + ". " + std::string(text));
    }
  }
  report.WriteReportLine("");
}

// One category's block between its start and end lines; how its sources answered.
CategoryOutcome WriteCategory(ReportWriter& report, ScanCategories& categories, std::size_t index,
                              int number, DetailLevel level) {
  const auto started = std::chrono::steady_clock::now();
  const CategoryFrame frame = categories.Frame(index, level);
  report.BeginCategory(frame.text, number, frame.shape, frame.identifying);
  const std::string prefix = std::to_string(number) + ". " + std::string(frame.text);
  report.WriteReportLine(SeparatorLine);
  report.WriteReportLine(prefix + frame.startLine);
  report.WriteReportLine(SeparatorLine);
  if (!frame.needsLevel || IsDetailLevel(level)) categories.Collect(report, index, level);
  report.WriteNotRead();
  report.WriteReportLine(prefix + " End");
  report.WriteReportLine(SeparatorLine);
  const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() -
                                                            started;
  return report.EndCategory(elapsed.count());
}

std::string StatusLine(const CategoryFrame& frame) { return "Status: " + frame.status + " ..."; }

// Tells the host how a category ended, keeping its name when a source was not read.
void TellDone(ScanHost& host, std::vector<std::string>& unread, std::string_view text,
              const CategoryOutcome& outcome) {
  if (outcome.Unfinished()) unread.emplace_back(text);
  host.CategoryDone(text, outcome);
}

// The ticked categories one after the other on this thread, each written as it is gathered: only
// when no thread could be started to gather them.
void GatherInTurn(ReportWriter& report, ScanCategories& categories, DetailLevel level,
                  ScanHost& host, std::span<const std::size_t> ticked,
                  std::vector<std::string>& unread, std::stop_token stop) {
  for (std::size_t b = 0; b < ticked.size() && !report.Failed() && !stop.stop_requested(); ++b) {
    const CategoryFrame frame = categories.Frame(ticked[b], level);
    host.ShowStatus(StatusLine(frame));
    const CategoryOutcome outcome = WriteCategory(report, categories, ticked[b],
                                                  static_cast<int>(b) + 1, level);
    TellDone(host, unread, frame.text, outcome);
  }
}

// Where the blocks gathered go: their lines into the report as they were made, their values to
// the JSON report.
class ReportTarget final : public BlockTarget {
 public:
  ReportTarget(ReportWriter& report, ItemRecorder* items) : report_(report), items_(items) {}
  void WriteText(std::string_view text) override { report_.WriteFinishedLines(text); }
  ItemRecorder& Items() override { return items_ ? *items_ : nobody_; }
  bool Failed() const override { return report_.Failed(); }

 private:
  ReportWriter& report_;
  ItemRecorder* items_;
  ItemRecorder nobody_;
};

// What the writer and the threads gathering for it share. A stop leaves a gatherer stalled in a
// platform call behind: it keeps this, and through it everything it touches, until it ends.
struct Gathering {
  Gathering(std::shared_ptr<ScanCategories> categories, std::shared_ptr<Redactor> redactor,
            std::vector<std::size_t> ticked, DetailLevel level, const ReportWriter& report,
            ScanHost& host)
      : categories(std::move(categories)),
        redactor(std::move(redactor)),
        ticked(std::move(ticked)),
        level(level),
        lines(report.WritesLines()),
        recording(report.Recording()),
        host(&host) {}

  std::shared_ptr<ScanCategories> categories;
  std::shared_ptr<Redactor> redactor;
  std::vector<std::size_t> ticked;
  DetailLevel level;
  bool lines;  // whether the report has text lines
  bool recording;  // whether a JSON report listens
  ScanHost* host;  // called by the writer alone, as it writes a block's entries
  std::vector<std::string> unread;  // the writer's alone too
  OrderedBlocks blocks{ticked.size()};
  std::atomic<std::size_t> next{0};  // the next block to gather
  std::stop_source halt;  // the scan stopped or its report failed: nothing more is gathered
};

// What one gathering thread does: the next category not yet taken, until none is left or the
// scan halts. A block begins with its status line and ends with its outcome, both told when the
// writer gets to them.
void Gather(const std::shared_ptr<Gathering>& gathering) {
  Gathering& g = *gathering;
  const std::unique_ptr<GatheringThread> thread = g.categories->StartGatheringThread();
  for (std::size_t b = g.next++; b < g.ticked.size() && !g.halt.stop_requested(); b = g.next++) {
    const CategoryFrame frame = g.categories->Frame(g.ticked[b], g.level);
    g.blocks.Add(
        b, [host = g.host, status = StatusLine(frame)](BlockTarget&) { host->ShowStatus(status); });
    ReportWriter block(g.lines ? std::make_unique<BlockSink>(g.blocks, b) : nullptr);
    BlockRecorder items(g.blocks, b);
    if (g.recording) block.SetItemRecorder(&items);
    block.SetRedactor(g.redactor.get());
    const CategoryOutcome outcome = WriteCategory(block, *g.categories, g.ticked[b],
                                                  static_cast<int>(b) + 1, g.level);
    block.CloseReport();
    g.blocks.Add(b, [&g, text = std::string(frame.text), outcome](BlockTarget&) {
      TellDone(*g.host, g.unread, text, outcome);
    });
    g.blocks.Finish(b);
  }
}

// The ticked categories gathered by `jobs` threads in check-list order, each into a block of its
// own; the blocks are written in order on this thread, the next one as it is gathered. A stalled
// category holds back only the writing of those after it, and a stop does not wait for it: what is
// ready is written, and the gatherers are left to end on their own. False when no thread could be
// started: nothing was gathered.
bool GatherAside(ReportWriter& report, const std::shared_ptr<Gathering>& gathering, unsigned jobs,
                 ItemRecorder* json, std::stop_token stop) {
  std::vector<std::jthread> workers;
  try {
    while (workers.size() < std::min<std::size_t>(jobs, gathering->ticked.size()))
      workers.emplace_back(Gather, gathering);
  } catch (const std::system_error&) {
    if (workers.empty()) return false;  // the threads that did start gather everything
  }
  const std::stop_callback stopped(stop, [&gathering] { gathering->halt.request_stop(); });
  const std::stop_token halted = gathering->halt.get_token();
  ReportTarget target(report, json);
  bool written = false;
  while (!(written = gathering->blocks.WriteReady(target)) && !report.Failed() &&
         !halted.stop_requested()) {
    gathering->blocks.WaitForNext(halted);
  }
  if (!written) {  // nothing more is written: none may be waited for
    gathering->halt.request_stop();
    for (std::jthread& worker : workers) worker.detach();
  }
  return true;  // otherwise every block is gathered: the workers are ending and are joined here
}

// The JSON document into its file, closed; the reason when the file cannot take it.
Status WriteDocument(ReportSink& file, const JsonReport& json) {
  Status error = file.Write(json.Text());
  Status closeError = file.Close();
  return error ? error : closeError;
}

}  // namespace

unsigned DefaultScanJobs() { return std::max(2u, std::thread::hardware_concurrency()); }

ScanOutcome RunScan(const ScanChoices& choices, std::shared_ptr<ScanCategories> categories,
                    ScanHost& host, const ScanHelpers& helpers, std::stop_token stop) {
  ScanOutcome outcome;
  outcome.path = host.AskReportPath(choices.path);
  // Cancelled, or the window was closed while its dialog was open: nothing written, nothing shown.
  if (outcome.path.empty() || stop.stop_requested()) return {};

  const ReportFormat format = helpers.json ? ReportFormat::Json : ReportFormat::Text;
  OpenedReport file = host.CreateReport(outcome.path, format);
  if (!file.value) {
    outcome.result = ScanResult::Failed;
    outcome.error = file.error;
    return outcome;
  }
  // A JSON report is made from the recorded values alone: no text line is made for it.
  std::unique_ptr<ReportSink> jsonFile;
  if (helpers.json) jsonFile = std::move(file.value);
  ReportWriter report(std::move(file.value));
  report.SetItemRecorder(helpers.json);
  report.SetRedactor(helpers.redactor.get());
  host.ScanStarting();
  WriteHeader(report, *categories, choices, host);

  std::vector<std::size_t> ticked;
  for (std::size_t i = 0; i < categories->Count(); ++i) {
    if (Ticked(choices, i)) ticked.push_back(i);
  }
  const auto started = std::chrono::steady_clock::now();
  // One gatherer for a redacted report, which numbers its markers in the order it meets values.
  const unsigned jobs = helpers.redactor ? 1 : std::max(1u, choices.jobs);
  const auto gathering = std::make_shared<Gathering>(categories, helpers.redactor, ticked,
                                                     choices.level, report, host);
  if (!ticked.empty() && !GatherAside(report, gathering, jobs, helpers.json, stop))
    GatherInTurn(report, *categories, choices.level, host, ticked, gathering->unread, stop);
  if (stop.stop_requested()) {  // every line written so far stays; nothing is claimed or told
    report.CloseReport();
    if (jsonFile) jsonFile->Close();
    return {};
  }
  if (helpers.json) {
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() -
                                                              started;
    helpers.json->ScanElapsed(elapsed.count());
  }

  bool saved = report.CloseReport();
  outcome.error = report.WriteError();
  if (saved && jsonFile) {
    outcome.error = WriteDocument(*jsonFile, *helpers.json);
    saved = !outcome.error;
  }
  outcome.result = saved ? ScanResult::Saved : ScanResult::Failed;
  outcome.unread = std::move(gathering->unread);
  host.ShowStatus("Status: Done");
  return outcome;
}

}  // namespace sysinfo
