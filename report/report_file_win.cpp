// The report file on disk: created or emptied, never through a link, written in the ANSI code
// page or UTF-8.
#include "report/report_file_win.h"

#include "base/handles_win.h"
#include "base/unicode_win.h"

namespace sysinfo {
namespace {

const Error kLinkRefused{
    ErrorKind::Refused,
    "The name is a symbolic link or junction: a report is not written through a link. Delete it "
    "or choose another name."};
const Error kHardLinkRefused{
    ErrorKind::Refused,
    "The file has other names too (hard links): writing it would change them as well. Delete it "
    "or choose another name."};

// Whether a name is a symbolic link or a junction (not another kind of reparse point, such as a
// file kept in the cloud), asked of the folder's listing, which does not follow the name.
bool NamesLink(const std::wstring& path) {
  WIN32_FIND_DATAW found{};
  return AdoptFind(FindFirstFileW(path.c_str(), &found)) &&
         (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         IsReparseTagNameSurrogate(found.dwReserved0);
}

UniqueHandle OpenForWriting(const std::wstring& path, DWORD flags) {
  // Readers may look at the report while it is being written.
  return AdoptHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | flags, nullptr));
}

bool SameFile(HANDLE one, HANDLE other) {
  BY_HANDLE_FILE_INFORMATION a{}, b{};
  return GetFileInformationByHandle(one, &a) && GetFileInformationByHandle(other, &b) &&
         a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// Opens the report's name, or makes it, without following a link there: an earlier report is
// written over only when the name is its one and only name. Anyone who may add a file to a shared
// folder could otherwise have the report overwrite a file it points to. Nothing is changed before
// that is known; nothing, with the reason, when the name is refused or cannot be opened. (Writing
// under a new name and renaming it at the end would leave the finished lines of a scan that is
// ended midway under a name nobody asked for.)
Result<UniqueHandle> OpenReportFile(const std::wstring& path) {
  UniqueHandle file = OpenForWriting(path, FILE_FLAG_OPEN_REPARSE_POINT);
  if (!file) {
    // A junction is a folder and cannot be opened as a file: tell what it is.
    return {{}, NamesLink(path) ? kLinkRefused : SystemError(GetLastError())};
  }
  FILE_ATTRIBUTE_TAG_INFO tag{};
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &tag, sizeof tag) ||
      !GetFileInformationByHandle(file.get(), &info)) {
    return {{}, SystemError(GetLastError())};
  }
  const bool reparsePoint = tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
  if (reparsePoint && IsReparseTagNameSurrogate(tag.ReparseTag)) {
    return {{}, kLinkRefused};
  }
  if (info.nNumberOfLinks > 1) {
    return {{}, kHardLinkRefused};
  }
  if (reparsePoint) {
    // Any other reparse point belongs to the file itself (a cloud or deduplicated file): it is
    // opened again the usual way, so its file system filter sees the writes, as that same file.
    UniqueHandle plain = OpenForWriting(path, 0);
    if (!plain || !SameFile(plain.get(), file.get())) {
      return {{}, SystemError(plain ? ERROR_FILE_INVALID : GetLastError())};
    }
    file = std::move(plain);
  }
  if (!SetEndOfFile(file.get())) {  // the earlier report, emptied only now
    return {{}, SystemError(GetLastError())};
  }
  return {std::move(file), {}};
}

class FileReportSink final : public ReportSink {
 public:
  FileReportSink(UniqueHandle file, bool ansi) : file_(std::move(file)), ansi_(ansi) {}

  // Writes straight through, without a buffer of its own: what the writer hands on is in the
  // file even if the process is ended right after.
  Status Write(std::string_view utf8Text) override {
    const std::optional<std::string> converted = ReportBytes(utf8Text, ansi_);
    if (!converted) return SystemError(ERROR_NO_UNICODE_TRANSLATION);
    const std::string_view bytes = *converted;
    std::size_t done = 0;
    while (done < bytes.size()) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
      if (!WriteFile(file_.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
        return SystemError(GetLastError());
      }
      done += written;
    }
    return std::nullopt;
  }

  Status Close() override {
    if (!file_) return std::nullopt;
    const bool ok = CloseHandle(file_.release()) != 0;
    if (!ok) return SystemError(GetLastError());
    return std::nullopt;
  }

 private:
  UniqueHandle file_;
  bool ansi_;
};

OpenedReport CreateSink(const std::string& path, bool ansi) {
  const std::wstring widePath = Utf8ToWide(path);
  // Windows refuses to replace a read-only file; so do we, also where the file system would let
  // a privileged user overwrite it (Wine run as root does).
  const DWORD attributes = GetFileAttributesW(widePath.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return {nullptr, SystemError(ERROR_ACCESS_DENIED)};
  }
  Result<UniqueHandle> file = OpenReportFile(widePath);
  if (!file.value) return {nullptr, std::move(file.error)};
  return {std::make_unique<FileReportSink>(std::move(file.value), ansi), {}};
}

}  // namespace

OpenedReport CreateFileReport(const std::string& path) { return CreateSink(path, true); }

std::optional<std::string> ReportBytes(std::string_view utf8Text, bool ansi) {
  return ansi ? Utf8ToAnsi(utf8Text) : std::optional<std::string>(utf8Text);
}

OpenedReport CreateUtf8FileReport(const std::string& path) { return CreateSink(path, false); }

}  // namespace sysinfo
