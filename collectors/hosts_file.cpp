#include "collectors/hosts_file.h"

#include <vector>

#include "app/format.h"
#include "app/report.h"
#include "app/yield.h"
#include "support/registry.h"

namespace sysinfo {

void LineSplitter::Feed(std::string_view chunk, const LineFunction& line) {
  if (afterCr_ && !chunk.empty()) {
    afterCr_ = false;
    if (chunk.front() == '\n') chunk.remove_prefix(1);
  }
  while (!chunk.empty()) {
    const std::size_t cr = chunk.find('\r');
    if (cr == std::string_view::npos) {
      pending_.append(chunk);
      return;
    }
    pending_.append(chunk.substr(0, cr));
    line(pending_);
    pending_.clear();
    chunk.remove_prefix(cr + 1);
    if (chunk.empty()) {
      afterCr_ = true;  // the LF may start the next chunk
    } else if (chunk.front() == '\n') {
      chunk.remove_prefix(1);
    }
  }
}

void LineSplitter::Finish(const LineFunction& line) {
  if (!pending_.empty()) line(pending_);
  pending_.clear();
  afterCr_ = false;
}

void ForEachLine(ByteReader& file, std::size_t chunkSize, const LineSplitter::LineFunction& line) {
  std::vector<std::uint8_t> buffer(chunkSize);
  LineSplitter splitter;
  // A read error ends the file like its end does: the lines read so far stay.
  for (auto read = file.Read(buffer); read && *read != 0; read = file.Read(buffer)) {
    splitter.Feed(std::string_view(reinterpret_cast<const char*>(buffer.data()), *read), line);
  }
  splitter.Finish(line);
}

void PrintHostsFile(ReportWriter& report, ByteReader* file, LineDecoder decode) {
  constexpr std::size_t kChunkSize = 64 * 1024;
  Yield();
  if (file) {
    ItemRecorder& items = report.Items();
    ForEachLine(*file, kChunkSize, [&report, &items, decode](std::string_view line) {
      const std::string text = decode ? decode(line) : std::string(line);
      report.WriteReportLine(text);
      items.Line(text);
      Yield();
    });
    Yield();
  }
  report.WriteReportLine(SeparatorLine);
}

std::string HostsFilePath(RegistryKeys& keys, std::string_view windowsFolder) {
  RegistryRoutines registry(keys);
  registry.hKey = RegistryRoot::LocalMachine;
  registry.KeyRoot = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\";
  std::string folder = RegistryValueText(registry.GetRegistryValue("DataBasePath", std::string()));
  if (folder.empty()) folder = std::string(windowsFolder) + "\\System32\\drivers\\etc";
  Yield();
  return folder + "\\hosts";
}

}  // namespace sysinfo
