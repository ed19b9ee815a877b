#pragma once

#include <string>

namespace sysinfo {

// Shell folder identifiers the program uses.
inline constexpr int kFolderDesktop = 0;
inline constexpr int kFolderRoamingAppData = 26;
inline constexpr int kFolderLocalAppData = 28;
inline constexpr int kFolderCommonAppData = 35;
inline constexpr int kFolderWindows = 36;

// The folder's path, or empty text when the shell cannot resolve it.
std::string GetSpecialFolder(int csidl);

}  // namespace sysinfo
