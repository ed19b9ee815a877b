// The hosts file: its path, its lines split at any line end, and their copy into the report.
#include "collectors/hosts_file.h"

#include <array>
#include <vector>

#include "base/format.h"
#include "report/report.h"
#include "collectors/category.h"
#include "collectors/collectors.h"
#include "support/registry.h"

namespace sysinfo {

void LineSplitter::Feed(std::string_view chunk, const PartFunction& part) {
  if (afterCr_ && !chunk.empty()) {
    afterCr_ = false;
    if (chunk.front() == '\n') chunk.remove_prefix(1);
  }
  while (!chunk.empty()) {
    const std::size_t end = chunk.find_first_of("\r\n");
    if (end == std::string_view::npos) {
      part(chunk, false);
      inLine_ = true;
      return;
    }
    part(chunk.substr(0, end), true);
    inLine_ = false;
    const bool cr = chunk[end] == '\r';
    const bool crLf = cr && end + 1 < chunk.size() && chunk[end + 1] == '\n';
    afterCr_ = cr && end + 1 == chunk.size();  // the LF may start the next chunk
    chunk.remove_prefix(end + (crLf ? 2 : 1));
  }
}

void LineSplitter::Finish(const PartFunction& part) {
  if (inLine_) part({}, true);
  inLine_ = false;
  afterCr_ = false;
}

Status ForEachLinePart(ByteReader& file, std::size_t chunkSize,
                       const LineSplitter::PartFunction& part) {
  std::vector<std::uint8_t> buffer(chunkSize);
  LineSplitter splitter;
  Result<std::size_t> read = file.Read(buffer);
  for (; !read.Failed() && read.value != 0; read = file.Read(buffer)) {
    splitter.Feed(std::string_view(reinterpret_cast<const char*>(buffer.data()), read.value), part);
  }
  splitter.Finish(part);
  return read.error;
}

namespace {

// A line of the file is told apart by its text; nothing in the file is declared identifying,
// though its lines are redacted as any text is.
constexpr std::array<std::string_view, 1> kKey{"Line"};

// The JSON report's "path" of the file and its "lines"; the comparison shows the path as the item
// "(file)" and each line as the one field "Line" of an item.
constexpr ReportShape kShape{.name = "path",
                             .holds = "lines",
                             .content = GroupHolds::Texts,
                             .field = kKey[0],
                             .nameItem = "(file)"};

void RecordLine(ReportWriter& report, const std::string& text) {
  report.BeginItem();
  report.RecordField(kShape.field, text);
  report.EndItem();
}

}  // namespace

void PrintHostsFile(ReportWriter& report, ByteReader* file, const HostsTextDecoder& text) {
  constexpr std::size_t kChunkSize = 64 * 1024;
  if (file) {
    const bool recording = report.Recording();
    std::string carried;  // the start of a character whose end is in the next part
    std::string wholeLine;  // kept only for a recorder that wants each line's text
    const Status readFailure = ForEachLinePart(
        *file, kChunkSize, [&](std::string_view part, bool ends) {
          std::string joined;
          if (!carried.empty()) {
            joined = std::move(carried) + std::string(part);
            carried.clear();
            part = joined;
          }
          if (!ends && text.unfinished) {
            const std::size_t keep = text.unfinished(part);
            carried.assign(part.substr(part.size() - keep));
            part.remove_suffix(keep);
          }
          const std::string decoded = text.decode ? text.decode(part) : std::string(part);
          if (recording) wholeLine += decoded;
          if (!ends) {
            report.WriteLinePart(decoded);
            return;
          }
          report.WriteReportLine(decoded);
          RecordLine(report, wholeLine);  // without a recorder only its presence counts
          wholeLine.clear();
        });
    report.SourceEnded(readFailure);
  }
  report.WriteReportLine(SeparatorLine);
}

std::string HostsFilePath(RegistryRoutines& keys, std::string_view windowsFolder) {
  constexpr std::string_view kParameters =
      "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\";
  const Result<RegistryValue> dataBasePath = keys.GetRegistryValue(
      RegistryRoot::LocalMachine, kParameters, "DataBasePath", std::string());
  std::string folder = RegistryValueText(dataBasePath.value);
  if (folder.empty()) folder = std::string(windowsFolder) + "\\System32\\drivers\\etc";
  return folder + "\\hosts";
}

void CollectHostsFile(ReportWriter& report, HostsFileSource& hosts) {
  report.BeginGroup(hosts.Path());
  const Result<std::unique_ptr<ByteReader>> file = hosts.Open();
  PrintHostsFile(report, file.value.get(), hosts.Text());
  if (!file.value)
    report.SourceEnded(file.error ? file.error : Failure("the hosts file could not be opened"));
  report.EndGroup();
}

extern const CategoryDefinition kHostsFileCategory{
    .text = "Host File Info",
    .startLine = StartLine::WithFilePath,
    .collect =
        [](ReportWriter& report, const Sources& sources, DetailLevel) {
          if (HostsFileSource* hosts = sources.Need<HostsFileSource>(report))
            CollectHostsFile(report, *hosts);
        },
    .fields = {kKey, {}, {}},
    .shape = kShape,
    .files = FileView::Native,
    .filePath =
        [](const Sources& sources) {
          const HostsFileSource* hosts = sources.Find<HostsFileSource>();
          return hosts ? hosts->Path() : std::string();
        }};

}  // namespace sysinfo
