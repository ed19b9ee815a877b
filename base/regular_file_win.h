// Files opened only as regular disk files, and whether two names name one file.
#pragma once

#include <string>

#include "base/handles_win.h"

namespace sysinfo {

// The file (its wide name as CreateFileW takes it) opened for reading while other programs keep
// it open, write to it or delete it; nothing, with GetLastError saying why, when it cannot be
// opened or is not a regular file on a disk (a folder, a pipe, a console, a device such as COM1
// or AUX, where a read may wait for ever): ERROR_NOT_SUPPORTED then.
UniqueHandle OpenRegularFile(const std::wstring& name);

// Whether two paths name one file: the same full name in any letter case, or the same file
// reached by other names (a hard link, a short name, a share), told by its volume and file index.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace sysinfo
