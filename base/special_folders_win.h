// A shell folder's path by its CSIDL value.
#pragma once

#include <string>

#include "base/special_folders.h"

namespace sysinfo {

// The folder's path, or empty text when the shell cannot resolve it.
std::string GetSpecialFolder(int csidl);

}  // namespace sysinfo
