// Where the hosts file is on this machine.
#pragma once

#include <string>

namespace sysinfo {

// The hosts file: the TCP/IP "DataBasePath" folder (expanded), or the Windows folder's
// System32\drivers\etc, followed by "\hosts". The window (at load) and the console runner
// both find it here.
std::string FindHostsFilePath();

}  // namespace sysinfo
