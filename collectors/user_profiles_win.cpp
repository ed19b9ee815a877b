// The machine's users over the real system.
#include "collectors/user_profiles_win.h"

#include <windows.h>
#include <sddl.h>

#include <span>

#include "base/handles_win.h"
#include "base/locale_win.h"
#include "base/unicode_win.h"
#include "support/extended_path.h"
#include "support/file_reader_win.h"

namespace sysinfo {
namespace {

constexpr auto kLocalFree = [](void* memory) { LocalFree(memory); };
using UniqueLocalMemory = UniqueResource<void*, kLocalFree>;

bool IsRegularFile(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  return IsFullPath(path) &&
         GetFileAttributesExW(ExtendedWidePath(path).c_str(), GetFileExInfoStandard, &data) &&
         !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

Result<std::string> ReadFileStart(const std::string& path, std::size_t maxBytes) {
  const auto reader = FileByteReader::Open(path);
  if (!reader) return {{}, Failure(SystemErrorText(GetLastError()))};
  std::string bytes(maxBytes + 1, '\0');
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const Result<std::size_t> read = reader->Read(
        std::span(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()).subspan(filled));
    if (read.Failed()) return {{}, read.error};
    if (read.value == 0) break;
    filled += read.value;
  }
  bytes.resize(filled);
  return {std::move(bytes), {}};
}

namespace {

bool NothingThere(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_NO_MORE_FILES;
}

}  // namespace

std::string CurrentUserSidText() {
  UniqueHandle token;
  DWORD size = 0;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::vector<std::uint8_t> buffer(size);
  wchar_t* text = nullptr;
  if (size == 0 || !GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size) ||
      !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
    return {};
  }
  const UniqueLocalMemory owned(text);
  return WideToUtf8(text);
}

Result<std::optional<std::string>> ReadSmallFile(const std::string& path, std::size_t maxBytes) {
  if (!IsRegularFile(path)) return {std::nullopt, {}};
  Result<std::string> read = ReadFileStart(path, maxBytes);
  if (read.Failed()) return {std::nullopt, std::move(read.error)};
  if (read.value.size() > maxBytes) return {std::nullopt, Failure("larger than expected")};
  return {std::move(read.value), {}};
}

std::string WindowsUserProfiles::CurrentUserSid() { return CurrentUserSidText(); }

std::string WindowsUserProfiles::AccountName(const std::string& sid) {
  PSID binary = nullptr;
  if (!ConvertStringSidToSidW(Utf8ToWide(sid).c_str(), &binary)) return {};
  const UniqueLocalMemory owned(binary);
  wchar_t name[256];
  wchar_t domain[256];
  DWORD nameSize = std::size(name);
  DWORD domainSize = std::size(domain);
  SID_NAME_USE use{};
  if (!LookupAccountSidW(nullptr, binary, name, &nameSize, domain, &domainSize, &use)) return {};
  const std::string account = WideToUtf8(name);
  return domainSize == 0 ? account : WideToUtf8(domain) + "\\" + account;
}

Result<std::optional<std::string>> WindowsUserProfiles::SmallFile(const std::string& path,
                                                                  std::size_t maxBytes) {
  return ReadSmallFile(path, maxBytes);
}

Result<std::vector<std::string>> WindowsUserProfiles::Subfolders(const std::string& folder,
                                                                 std::size_t maxCount) {
  Result<std::vector<std::string>> names;
  if (!IsFullPath(folder)) return names;
  WIN32_FIND_DATAW found{};
  const UniqueFind search =
      AdoptFind(FindFirstFileW(ExtendedWidePath(folder + "\\*").c_str(), &found));
  if (!search) {
    if (const DWORD error = GetLastError(); !NothingThere(error)) names.error = SystemError(error);
    return names;
  }
  do {
    const std::wstring_view name = found.cFileName;
    // A link or junction may lead anywhere, also round in a circle: only real folders are read.
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || name == L"." || name == L"..")
      continue;
    if (names.value.size() == maxCount) {
      names.error = Failure("more than " + std::to_string(maxCount) + " folders");
      return names;
    }
    names.value.push_back(WideToUtf8(found.cFileName));
  } while (FindNextFileW(search.get(), &found));
  if (const DWORD error = GetLastError(); !NothingThere(error)) names.error = SystemError(error);
  return names;
}

}  // namespace sysinfo
