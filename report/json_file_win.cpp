// JSON files opened only as regular disk files, read up to a bound and handed to the reader.
#include "report/json_file_win.h"

#include <windows.h>

#include "base/regular_file_win.h"
#include "base/unicode_win.h"

namespace sysinfo {

namespace {

// Nothing read, and why, in one line naming the file.
JsonRead Unread(const std::string& path, ErrorKind kind, std::string_view reason) {
  return {{}, Error{kind, RefusalLine(path, reason)}};
}

}  // namespace

JsonRead ReadJsonFile(const std::string& path, const JsonLimits& limits, const JsonCheck& check) {
  const UniqueHandle file = OpenRegularFile(Utf8ToWide(path));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) {
    const DWORD error = GetLastError();
    if (error == ERROR_NOT_SUPPORTED) {
      return Unread(path, ErrorKind::FileRefused,
                    "not a regular disk file (a device, a pipe or a console)");
    }
    return Unread(path, ErrorKind::Failed, SystemErrorText(error));
  }
  if (static_cast<std::uint64_t>(size.QuadPart) > limits.maxBytes) {
    return Unread(
        path, ErrorKind::FileRefused,
        "larger than " + std::to_string(limits.maxBytes) + " bytes, more than such a file holds");
  }
  std::string text(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(text.size() - got, 1u << 30));
    if (!ReadFile(file.get(), text.data() + got, wanted, &read, nullptr)) {
      return Unread(path, ErrorKind::Failed, SystemErrorText(GetLastError()));
    }
    if (read == 0) break;  // cut shorter since it was opened
    got += read;
  }
  text.resize(got);
  return ReadJsonText(text, path, limits, check);
}

}  // namespace sysinfo
