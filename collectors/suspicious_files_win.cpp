// The Suspicious Files section over the disk: listings, versions, checksums, signatures.
#include "collectors/suspicious_files_win.h"

#include <windows.h>

#include "base/handles_win.h"
#include "base/locale_win.h"
#include "base/special_folders_win.h"
#include "base/unicode_win.h"
#include "support/authenticode_win.h"
#include "support/checksum_win.h"
#include "support/file_reader_win.h"
#include "support/file_version_win.h"

namespace sysinfo {
namespace {

// Empty text when the time cannot be converted, as the report has always printed it.
SourceValue DateTimeText(const FILETIME& time) {
  if (auto moment = FileTimeToMoment(time)) return std::move(*moment);
  return std::string();
}

// Nothing there is an answer, not a failure.
bool NothingThere(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_NO_MORE_FILES;
}

}  // namespace

std::string DiskFileSource::SpecialFolder(int csidl) { return GetSpecialFolder(csidl); }

FolderListing DiskFileSource::FindEntries(const std::string& pathPattern) {
  FolderListing listing;
  WIN32_FIND_DATAW found{};
  const UniqueFind search =
      AdoptFind(FindFirstFileW(ExtendedWidePath(pathPattern).c_str(), &found));
  if (!search) {
    if (const DWORD error = GetLastError(); !NothingThere(error)) {
      listing.error = SystemError(error);
    }
    return listing;
  }
  do {
    FileFacts& entry = listing.value.emplace_back();
    entry.name = WideToUtf8(found.cFileName);
    entry.attributes = found.dwFileAttributes;
    entry.created = DateTimeText(found.ftCreationTime);
    entry.accessed = DateTimeText(found.ftLastAccessTime);
    entry.modified = DateTimeText(found.ftLastWriteTime);
    entry.size = (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
  } while (FindNextFileW(search.get(), &found));
  if (const DWORD error = GetLastError(); !NothingThere(error)) {
    listing.error = SystemError(error);
  }
  return listing;
}

VersionStrings DiskFileSource::Version(const std::string& path) {
  if (!OpenRegularFile(path)) return {};  // a folder or a device is never read
  cFixedFileInfo version;
  version.FullPathName(path);
  return version.Strings();
}

FileChecksums DiskFileSource::Checksums(const std::string& path) { return GetFileChecksums(path); }

FileChecksums DiskFileSource::ChecksumsWithSha256(const std::string& path) {
  return GetFileChecksumsAndSha256(path);
}

std::optional<FileSignature> DiskFileSource::Signature(const std::string& path) {
  return GetFileSignature(path);
}

}  // namespace sysinfo
