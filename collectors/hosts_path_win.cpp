// Where the hosts file is: the TCP/IP DataBasePath, else the Windows folder's etc folder.
#include "collectors/hosts_path_win.h"

#include "base/special_folders_win.h"
#include "collectors/hosts_file.h"
#include "support/registry_win.h"

namespace sysinfo {

std::string FindHostsFilePath() {
  WindowsRegistry registry;
  return HostsFilePath(registry, GetSpecialFolder(kFolderWindows));
}

}  // namespace sysinfo
