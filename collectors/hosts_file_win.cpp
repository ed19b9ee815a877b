// The hosts file on this machine: opened shared, its text in the system code page.
#include "collectors/hosts_file_win.h"

#include <windows.h>

#include "base/fs_redirection_win.h"
#include "base/handles_win.h"
#include "base/unicode_win.h"
#include "support/file_reader_win.h"

namespace sysinfo {

Result<std::unique_ptr<ByteReader>> WindowsHostsFile::Open() {
  const FsRedirectionOff redirectionOff;
  // Other programs (an editor, a security tool) may keep the file open, even for writing.
  UniqueHandle file =
      AdoptHandle(CreateFileW(Utf8ToWide(path_).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return {nullptr, SystemError(GetLastError())};
  return {std::make_unique<FileByteReader>(std::move(file)), {}};
}

HostsTextDecoder WindowsHostsFile::Text() const { return {AnsiToUtf8, UnfinishedAnsiCharacter}; }

}  // namespace sysinfo
