#include "collectors/hosts_file_win.h"

#include <windows.h>

#include <algorithm>

#include "app/fs_redirection_win.h"
#include "app/handles_win.h"
#include "app/report.h"
#include "app/unicode_win.h"
#include "collectors/hosts_file.h"

namespace sysinfo {
namespace {

class FileReader final : public ByteReader {
 public:
  explicit FileReader(UniqueHandle file) : file_(std::move(file)) {}

  std::size_t Read(std::span<char> buffer) override {
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), 1u << 30));
    if (!ReadFile(file_.get(), buffer.data(), wanted, &read, nullptr)) return 0;
    return read;
  }

 private:
  UniqueHandle file_;
};

}  // namespace

void CollectHostsFile(ReportWriter& report, const std::string& path) {
  const FsRedirectionOff redirectionOff;
  // Other programs (an editor, a security tool) may keep the file open, even for writing.
  UniqueHandle file = AdoptHandle(CreateFileW(
      Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  report.Items().BeginFile(path);
  if (!file) {
    const DWORD error = GetLastError();
    PrintHostsFile(report, nullptr, AnsiToUtf8);
    report.Items().SourceEnded(QueryStatus::Failed, SystemErrorText(error));
  } else {
    FileReader reader(std::move(file));
    PrintHostsFile(report, &reader, AnsiToUtf8);
  }
}

}  // namespace sysinfo
