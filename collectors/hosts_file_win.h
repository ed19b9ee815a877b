// The hosts file on this machine, for Host File Info.
#pragma once

#include <memory>
#include <string>

#include "collectors/hosts_file.h"
#include "collectors/hosts_path_win.h"

namespace sysinfo {

// The real file, its path found once (the TCP/IP DataBasePath or the Windows folder's), opened
// with the file-system redirection of 32-bit programs off and read in the system code page.
class WindowsHostsFile final : public HostsFileSource {
 public:
  explicit WindowsHostsFile(std::string path = FindHostsFilePath()) : path_(std::move(path)) {}
  std::string Path() const override { return path_; }
  Result<std::unique_ptr<ByteReader>> Open() override;
  HostsTextDecoder Text() const override;

 private:
  std::string path_;
};

}  // namespace sysinfo
