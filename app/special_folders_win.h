#pragma once

#include <string>

#include "app/special_folders.h"

namespace sysinfo {

// The folder's path, or empty text when the shell cannot resolve it.
std::string GetSpecialFolder(int csidl);

}  // namespace sysinfo
