#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "support/byte_reader.h"

namespace sysinfo {

class ReportWriter;
class RegistryKeys;

// Cuts a stream of text into lines the way the hosts file is copied: a line ends at CR or at
// CR LF, a lone LF stays inside its line, and a last line without a line end still counts.
// Only the line being assembled is held, never the whole file.
class LineSplitter {
 public:
  using LineFunction = std::function<void(std::string_view)>;
  void Feed(std::string_view chunk, const LineFunction& line);
  void Finish(const LineFunction& line);

 private:
  std::string pending_;
  bool afterCr_ = false;  // an LF that comes next belongs to the CR LF just ended
};

// Calls `line` for every line of the stream, reading it in chunks of chunkSize bytes.
void ForEachLine(ByteReader& file, std::size_t chunkSize, const LineSplitter::LineFunction& line);

// The file's text (the system code page) as the report's UTF-8.
using LineDecoder = std::string (*)(std::string_view);

// The Host File Info block: every line of the file exactly as it stands, then the separator
// line. Without a file (it could not be opened) only the separator line.
void PrintHostsFile(ReportWriter& report, ByteReader* file, LineDecoder decode);

// Where the hosts file is: the TCP/IP "DataBasePath" folder (expanded), or the Windows
// folder's System32\drivers\etc when that value is missing or empty, followed by "\hosts".
std::string HostsFilePath(RegistryKeys& keys, std::string_view windowsFolder);

}  // namespace sysinfo
