#include "collectors/suspicious_files_win.h"

#include <windows.h>

#include <memory>

#include "app/fs_redirection_win.h"
#include "app/locale_win.h"
#include "app/special_folders_win.h"
#include "app/unicode_win.h"
#include "support/authenticode_win.h"
#include "support/checksum_win.h"
#include "support/file_version_win.h"

namespace sysinfo {
namespace {

struct FindCloser {
  void operator()(HANDLE search) const { FindClose(search); }
};
using UniqueFind = std::unique_ptr<void, FindCloser>;

std::string DateTimeText(const FILETIME& time) {
  const auto local = FileTimeToLocalDate(time);
  return local ? FormatLongDateTime(*local) : std::string();
}

}  // namespace

std::string DiskFileSource::SpecialFolder(int csidl) { return GetSpecialFolder(csidl); }

std::vector<std::string> DiskFileSource::FindEntries(const std::string& pathPattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  const HANDLE first = FindFirstFileW(Utf8ToWide(pathPattern).c_str(), &found);
  if (first == INVALID_HANDLE_VALUE) return names;
  const UniqueFind search(first);
  do {
    names.push_back(WideToUtf8(found.cFileName));
  } while (FindNextFileW(search.get(), &found));
  return names;
}

std::optional<FileFacts> DiskFileSource::Examine(const std::string& path) {
  FileFindRecord record;
  if (!FindFileInfo(path, record)) return std::nullopt;
  const WIN32_FIND_DATAW& entry = record.findData;
  FileFacts facts;
  facts.name = WideToUtf8(entry.cFileName);
  facts.path = record.versionInfo->FullPathName();
  facts.attributes = entry.dwFileAttributes;
  facts.created = DateTimeText(entry.ftCreationTime);
  facts.accessed = DateTimeText(entry.ftLastAccessTime);
  facts.modified = DateTimeText(entry.ftLastWriteTime);
  facts.size = (std::uint64_t{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow;
  facts.version = record.versionInfo->Strings();
  return facts;
}

FileChecksums DiskFileSource::Checksums(const std::string& path) { return GetFileChecksums(path); }

FileChecksums DiskFileSource::ChecksumsWithSha256(const std::string& path) {
  return GetFileChecksumsAndSha256(path);
}

std::optional<FileSignature> DiskFileSource::Signature(const std::string& path) {
  return GetFileSignature(path);
}

void CollectSuspiciousFiles(ReportWriter& report, int level) {
  const FsRedirectionOff redirectionOff;
  DiskFileSource files;
  CollectSuspiciousFiles(report, files, level);
}

}  // namespace sysinfo
