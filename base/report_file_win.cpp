// The report file on disk: created or truncated, written in the ANSI code page or UTF-8.
#include "base/report_file_win.h"

#include "base/handles_win.h"
#include "base/unicode_win.h"

namespace sysinfo {
namespace {

class FileReportSink final : public ReportSink {
 public:
  FileReportSink(UniqueHandle file, bool ansi) : file_(std::move(file)), ansi_(ansi) {}

  // Writes straight through, without a buffer of its own: what the writer hands on is in the
  // file even if the process is ended right after.
  std::optional<std::string> Write(std::string_view utf8Text) override {
    std::optional<std::string> ansi;
    if (ansi_) {
      ansi = Utf8ToAnsi(utf8Text);
      if (!ansi) return SystemErrorText(ERROR_NO_UNICODE_TRANSLATION);
    }
    const std::string_view bytes = ansi ? std::string_view(*ansi) : utf8Text;
    std::size_t done = 0;
    while (done < bytes.size()) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
      if (!WriteFile(file_.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
        return SystemErrorText(GetLastError());
      }
      done += written;
    }
    return std::nullopt;
  }

  std::optional<std::string> Close() override {
    if (!file_) return std::nullopt;
    const bool ok = CloseHandle(file_.release()) != 0;
    if (!ok) return SystemErrorText(GetLastError());
    return std::nullopt;
  }

 private:
  UniqueHandle file_;
  bool ansi_;
};

std::unique_ptr<ReportSink> CreateSink(const std::string& path, std::string& reason, bool ansi) {
  const std::wstring widePath = Utf8ToWide(path);
  // Windows refuses to replace a read-only file; so do we, also where the file system would let
  // a privileged user overwrite it (Wine run as root does).
  const DWORD attributes = GetFileAttributesW(widePath.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    reason = SystemErrorText(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  // Readers may look at the report while it is being written.
  UniqueHandle file = AdoptHandle(CreateFileW(widePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                              nullptr));
  if (!file) {
    reason = SystemErrorText(GetLastError());
    return nullptr;
  }
  return std::make_unique<FileReportSink>(std::move(file), ansi);
}

}  // namespace

std::unique_ptr<ReportSink> CreateFileReport(const std::string& path, std::string& reason) {
  return CreateSink(path, reason, true);
}

std::unique_ptr<ReportSink> CreateUtf8FileReport(const std::string& path, std::string& reason) {
  return CreateSink(path, reason, false);
}

}  // namespace sysinfo
