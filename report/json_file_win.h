// JSON files read back as hostile input: regular disk files only, up to a size, then the reader.
#pragma once

#include <string>

#include "report/json_reader.h"

namespace sysinfo {

// The document in the file at `path` (UTF-8, or WTF-8 as the command line gives it), read up to
// the size it had when opened. Nothing when it cannot be read (Failed), is not a regular disk
// file, is larger than limits.maxBytes or is refused by ReadJsonText (FileRefused); the message
// is then one printable line naming the file, the place and the reason.
JsonRead ReadJsonFile(const std::string& path, const JsonLimits& limits, const JsonCheck& check);

}  // namespace sysinfo
