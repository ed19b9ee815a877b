// The console runner's work: the scan with a console host, the text or JSON file written.
#include "tools/runner_win.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <array>
#include <new>

#include "base/program.h"
#include "scan/scan_session_win.h"
#include "base/regular_file_win.h"
#include "report/json_file_win.h"
#include "base/locale_win.h"
#include "report/report_file_win.h"
#include "base/handles_win.h"
#include "scan/scan.h"
#include "base/unicode_win.h"
#include "base/wtf8.h"
#include "collectors/wmi_win.h"
#include "tools/report_check.h"
#include "tools/report_compare.h"
#include "tools/runner_args.h"

namespace sysinfo {
namespace {

class ConsoleHost final : public ScanHost {
 public:
  ConsoleHost(std::string path, const ReportOpener& openText, const ReportOpener& openJson,
              std::FILE* err)
      : path_(std::move(path)), openText_(openText), openJson_(openJson), err_(err) {}

  std::string AskReportPath(const std::string&) override { return path_; }
  // The output file is created before the scan, so a path that cannot be written fails at once.
  OpenedReport CreateReport(const std::string& path, ReportFormat format) override {
    return format == ReportFormat::Json ? openJson_(path) : openText_(path);
  }
  void ScanStarting() override {}
  void ShowStatus(const std::string& text) override { std::fprintf(err_, "%s\n", text.c_str()); }
  std::string ShortDate() override { return ShortDateNow(); }
  std::string ShortTime() override { return TimeNow(); }
  void CategoryDone(std::string_view text, const CategoryOutcome& outcome) override {
    std::fprintf(err_, "%s\n", ProgressLine(text, outcome).c_str());
    std::fflush(err_);
  }

 private:
  std::string path_;
  const ReportOpener& openText_;
  const ReportOpener& openJson_;
  std::FILE* err_;
};

// Writes the whole document; the reason when the file cannot take it.
Status WriteDocument(ReportSink& file, const std::string& text) {
  Status error = file.Write(text);
  Status closeError = file.Close();
  return error ? error : closeError;
}

// The report written to a stream (standard output for --out -) as the file would hold it: the
// text in the ANSI code page, JSON in UTF-8, each line handed on as it is written.
class StreamReportSink final : public ReportSink {
 public:
  StreamReportSink(std::FILE* stream, bool ansi) : stream_(stream), ansi_(ansi) {
    _setmode(_fileno(stream_), _O_BINARY);  // the report's own CR LF, not CR CR LF
  }
  Status Write(std::string_view utf8Text) override {
    const std::optional<std::string> bytes = ReportBytes(utf8Text, ansi_);
    if (!bytes) return SystemError(ERROR_NO_UNICODE_TRANSLATION);
    if (std::fwrite(bytes->data(), 1, bytes->size(), stream_) != bytes->size() ||
        std::fflush(stream_) != 0)
      return SystemError(ERROR_WRITE_FAULT);
    return std::nullopt;
  }
  Status Close() override { return std::nullopt; }

 private:
  std::FILE* stream_;
  bool ansi_;
};

// Why a report cannot be written to `path`, in words that name what is wrong with it, before any
// category is read: a device, a folder, a folder that is not there. Nothing for a path to try.
Status OutputPathProblem(const std::string& path) {
  if (IsDeviceName(path))
    return Failure("it is a device, not a file (--out - writes to the console)");
  const std::wstring wide = Utf8ToWide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return Failure("it is a folder; give a file name inside it");
  std::array<wchar_t, 32768> full{};
  wchar_t* name = nullptr;
  const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(),
                                        &name);
  if (length == 0 || length >= full.size() || !name || name == full.data()) return std::nullopt;
  std::wstring folder(full.data(), name - full.data());
  if (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();  // "C:\" stays a root
  const DWORD folderAttributes = GetFileAttributesW(folder.c_str());
  const std::string shown = Wtf8ToUtf8(WideToUtf8(folder));
  if (folderAttributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
      return Failure("the folder \"" + shown + "\" does not exist");
  } else if (!(folderAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return Failure("\"" + shown + "\" is a file, not a folder");
  }
  return std::nullopt;
}

// What a script is told of a failure: 2 for what it asked for that is refused (a bad command
// line, a report name that is a link), 1 for anything else that kept the report from being made.
int ExitStatusOf(const Error& error) { return error.kind == ErrorKind::Refused ? 2 : 1; }

// --compare: both reports read and checked, the differences written to --out or `out`.
// 0 when the reports do not differ, 1 when they do, 2 when a file is refused or unwritable.
int RunCompareCommand(const RunnerOptions& options, const ReportOpener& openUtf8, std::FILE* out,
                      std::FILE* err) {
  const std::array<const std::string*, 2> paths{&options.oldReport, &options.newReport};
  for (const std::string* path : paths) {
    if (!options.outPath.empty() && SameFile(options.outPath, *path)) {
      std::fprintf(err, "sysinfo-report: --out %s\n",
                   RefusalLine(options.outPath, "is a report compared, not written over").c_str());
      return 2;
    }
  }
  std::array<JsonDocument, 2> documents;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    JsonRead read = ReadJsonFile(*paths[i], kReportLimits, CheckReport);
    // A text report, or anything else that is not JSON from its first letter on.
    if (read.Failed() && read.error->kind == ErrorKind::FileRefused && read.error->at == 0 &&
        read.error->message.find(": not JSON") != std::string::npos) {
      read.error->message = RefusalLine(
          *paths[i], "not a JSON report of this program (write one with --format json)");
    }
    if (read.Failed()) {
      std::fprintf(err, "sysinfo-report: cannot compare %s\n", read.error->message.c_str());
      return 2;
    }
    documents[i] = std::move(read.value);
  }
  const Comparison comparison = CompareReports(
      documents[0], documents[1],
      {Wtf8ToUtf8(options.oldReport), Wtf8ToUtf8(options.newReport), options.allFields});
  const std::string text = options.format == ReportFormat::Json ? ComparisonJson(comparison)
                                                                : ComparisonText(comparison);
  const int status = comparison.Differs() ? 1 : 0;
  if (options.outPath.empty() || options.outPath == "-") {
    std::fwrite(text.data(), 1, text.size(), out);
    return status;
  }
  if (const Status problem = OutputPathProblem(options.outPath)) {
    std::fprintf(err, "sysinfo-report: cannot write \"%s\": %s\n",
                 Wtf8ToUtf8(options.outPath).c_str(), problem->message.c_str());
    return 2;
  }
  OpenedReport file = openUtf8(options.outPath);
  const Status error = file.value ? WriteDocument(*file.value, text) : file.error;
  if (error) {
    std::fprintf(err, "sysinfo-report: cannot write \"%s\": %s\n",
                 Wtf8ToUtf8(options.outPath).c_str(), error->message.c_str());
    return 2;
  }
  return status;
}

}  // namespace

int RunReportCommand(const std::vector<std::string>& args, const ReportOpener& open, std::FILE* out,
                     std::FILE* err) {
  return RunReportCommand(args, open, CreateUtf8FileReport, out, err);
}

int RunReportCommand(const std::vector<std::string>& args, const ReportOpener& openText,
                     const ReportOpener& openJson, std::FILE* out, std::FILE* err) {
  const RunnerOptions options = ParseRunnerArgs(args);
  if (options.help) {
    std::fputs(RunnerUsage().c_str(), out);
    return 0;
  }
  if (options.version) {
    std::fprintf(out, "sysinfo-report %s\n", ProgramVersion().c_str());
    return 0;
  }
  if (options.error) {
    // One line that says what is wrong, not the usage it would scroll away under. The reason may
    // quote an argument, which may hold a lone surrogate (carried as WTF-8).
    std::fprintf(err, "sysinfo-report: %s\nTry \"sysinfo-report --help\" for more.\n",
                 Wtf8ToUtf8(options.error->message).c_str());
    return ExitStatusOf(*options.error);
  }
  if (options.compare) {
    try {
      return RunCompareCommand(options, openJson, out, err);
    } catch (const std::bad_alloc&) {  // two reports within the bounds, on a machine short of it
      std::fprintf(err, "sysinfo-report: not enough memory to compare the reports\n");
      return 2;
    }
  }

  const bool toStandardOutput = options.outPath == "-";
  if (const Status problem = toStandardOutput ? Status() : OutputPathProblem(options.outPath)) {
    std::fprintf(err, "sysinfo-report: cannot write the report \"%s\": %s\n",
                 Wtf8ToUtf8(options.outPath).c_str(), problem->message.c_str());
    return ExitStatusOf(*problem);
  }
  const ReportOpener textToOutput = [out](const std::string&) {
    return OpenedReport{std::make_unique<StreamReportSink>(out, true), {}};
  };
  const ReportOpener jsonToOutput = [out](const std::string&) {
    return OpenedReport{std::make_unique<StreamReportSink>(out, false), {}};
  };

  ComApartment com;
  SetCurrentNumberFormat(UserNumberFormat());
  ScanSession session(MakeWmiService());
  ScanChoices choices{ProgramCaption(),
                      std::vector<bool>(options.ticked.begin(), options.ticked.end()),
                      options.level,
                      options.redact,
                      {options.redactWords, options.redactMap},
                      options.format,
                      options.outPath,
                      options.jobs ? options.jobs : DefaultScanJobs()};
  ConsoleHost host(options.outPath, toStandardOutput ? textToOutput : openText,
                   toStandardOutput ? jsonToOutput : openJson, err);
  const SessionOutcome outcome = session.Run(choices, host);
  if (outcome.redactionRefused) {
    std::fprintf(err, "sysinfo-report: %s\n",
                 Wtf8ToUtf8(outcome.redactionRefused->message).c_str());
    return ExitStatusOf(*outcome.redactionRefused);
  }
  // The console gets UTF-8: a lone surrogate in the path shows as U+FFFD.
  const std::string shownPath = Wtf8ToUtf8(outcome.scan.path);
  if (outcome.scan.result != ScanResult::Saved) {
    const Error error = outcome.scan.error.value_or(Error{});
    std::fprintf(err, "sysinfo-report: cannot write the report \"%s\": %s\n", shownPath.c_str(),
                 error.message.c_str());
    return ExitStatusOf(error);
  }
  if (!toStandardOutput) std::fprintf(out, "Report saved to %s\n", shownPath.c_str());
  if (outcome.mapNotKept)
    std::fprintf(err, "sysinfo-report: %s\n", Wtf8ToUtf8(outcome.mapNotKept->message).c_str());
  // A report with a category that could not be read is written, but is not what a script asked
  // for: it is told apart from a complete one.
  if (const int unread = static_cast<int>(outcome.scan.unread.size()); unread > 0) {
    std::fprintf(err, "sysinfo-report: %d categor%s could not be read completely (see above)\n",
                 unread, unread == 1 ? "y" : "ies");
    return 3;
  }
  return 0;
}

}  // namespace sysinfo
