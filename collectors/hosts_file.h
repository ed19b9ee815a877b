// The hosts file: its path, a line splitter over chunks, and its copy into the report.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "support/byte_reader.h"

namespace sysinfo {

class ReportWriter;
class RegistryRoutines;

// Cuts a stream of text into lines the way the hosts file is copied: a line ends at CR LF, at
// LF or at CR, and a last line without a line end still counts. A line is passed on in parts as
// the chunks bring it, so it is never held whole, however long it is.
class LineSplitter {
 public:
  // A part of the current line (possibly empty); `ends` when the line ends after it.
  using PartFunction = std::function<void(std::string_view part, bool ends)>;
  void Feed(std::string_view chunk, const PartFunction& part);
  void Finish(const PartFunction& part);

 private:
  bool afterCr_ = false;  // an LF that comes next belongs to the CR LF just ended
  bool inLine_ = false;  // a part of an unfinished line has been passed on
};

// Calls `part` for every line of the stream, reading it in chunks of chunkSize bytes. A read that
// fails ends the stream like its end does, the lines read so far kept; its reason is returned.
Status ForEachLinePart(ByteReader& file, std::size_t chunkSize,
                       const LineSplitter::PartFunction& part);

// How the file's text (the system code page) becomes the report's UTF-8, a part of a line at a
// time. Without functions the bytes are taken as they are.
struct HostsTextDecoder {
  std::string (*decode)(std::string_view) = nullptr;
  // How many bytes at the end of a part begin a character that the next part completes.
  std::size_t (*unfinished)(std::string_view) = nullptr;
};

// The Host File Info block: every line of the file exactly as it stands, then the separator
// line. Without a file (it could not be opened) only the separator line. A read that fails
// keeps the lines read before it and fails the category with its reason.
void PrintHostsFile(ReportWriter& report, ByteReader* file, const HostsTextDecoder& text);

// The hosts file as Host File Info reads it, among the scan's sources.
class HostsFileSource {
 public:
  static constexpr std::string_view kSourceName = "hosts file";
  virtual ~HostsFileSource() = default;
  // Where the file is, found once: the category's start line names it too.
  virtual std::string Path() const = 0;
  // The file at the path opened for reading; nothing, with the platform's reason, when it cannot
  // be.
  virtual Result<std::unique_ptr<ByteReader>> Open() = 0;
  // How its text becomes the report's.
  virtual HostsTextDecoder Text() const { return {}; }
};

// The Host File Info block of the file at the source's path: a file that cannot be opened gives
// the separator line alone and fails the category with the reason.
void CollectHostsFile(ReportWriter& report, HostsFileSource& hosts);

// Where the hosts file is: the TCP/IP "DataBasePath" folder (expanded), or the Windows
// folder's System32\drivers\etc when that value is missing or empty, followed by "\hosts".
std::string HostsFilePath(RegistryRoutines& keys, std::string_view windowsFolder);

}  // namespace sysinfo
