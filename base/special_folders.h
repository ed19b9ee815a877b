// The shell folder identifiers (CSIDL values) the program uses.
#pragma once

namespace sysinfo {

// Shell folder identifiers (CSIDL values) the program uses.
inline constexpr int kFolderDesktop = 0;
inline constexpr int kFolderRoamingAppData = 26;
inline constexpr int kFolderLocalAppData = 28;
inline constexpr int kFolderCommonAppData = 35;
inline constexpr int kFolderWindows = 36;

}  // namespace sysinfo
