// JSON files read back as hostile input: regular disk files only, up to a size, then the reader.
#pragma once

#include <optional>
#include <string>

#include "base/handles_win.h"
#include "base/json_reader.h"

namespace sysinfo {

// The file (its wide name as CreateFileW takes it) opened for reading while other programs keep
// it open, write to it or delete it; nothing, with GetLastError saying why, when it cannot be
// opened or is not a regular file on a disk (a folder, a pipe, a console, a device such as COM1
// or AUX, where a read may wait for ever): ERROR_NOT_SUPPORTED then.
UniqueHandle OpenRegularFile(const std::wstring& name);

// The document in the file at `path` (UTF-8, or WTF-8 as the command line gives it), read up to
// the size it had when opened. Nothing when it cannot be read, is not a regular disk file, is
// larger than limits.maxBytes or is refused by ReadJsonText; the refusal is then one printable
// line naming the file, the place and the reason.
JsonRead ReadJsonFile(const std::string& path, const JsonLimits& limits, const JsonCheck& check);

// Whether two paths name one file: the same full name in any letter case, or the same file
// reached by other names (a hard link, a short name, a share), told by its volume and file index.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace sysinfo
