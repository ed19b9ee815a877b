// The Host File Info collector over the real file.
#include "collectors/hosts_file_win.h"

#include <windows.h>

#include "base/fs_redirection_win.h"
#include "base/handles_win.h"
#include "report/report.h"
#include "base/unicode_win.h"
#include "collectors/hosts_file.h"
#include "support/file_reader_win.h"

namespace sysinfo {
void CollectHostsFile(ReportWriter& report, const std::string& path) {
  const FsRedirectionOff redirectionOff;
  // Other programs (an editor, a security tool) may keep the file open, even for writing.
  UniqueHandle file =
      AdoptHandle(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  const HostsTextDecoder ansi{AnsiToUtf8, UnfinishedAnsiCharacter};
  report.BeginFile(path);
  if (!file) {
    const DWORD error = GetLastError();
    PrintHostsFile(report, nullptr, ansi);
    report.SourceEnded(SystemError(error));
  } else {
    FileByteReader reader(std::move(file));
    PrintHostsFile(report, &reader, ansi);
  }
}

}  // namespace sysinfo
