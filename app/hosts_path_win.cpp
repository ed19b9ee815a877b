#include "app/hosts_path_win.h"

#include <windows.h>

#include "app/special_folders_win.h"
#include "app/unicode_win.h"

namespace sysinfo {

std::string FindHostsFilePath() {
  std::wstring folder(MAX_PATH, L'\0');
  DWORD bytes = static_cast<DWORD>(folder.size() * sizeof(wchar_t));
  // RegGetValue expands REG_EXPAND_SZ values.
  const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE,
                                      L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters",
                                      L"DataBasePath", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ,
                                      nullptr, folder.data(), &bytes);
  std::string path;
  if (status == ERROR_SUCCESS) path = WideToUtf8(folder.c_str());
  if (path.empty()) path = GetSpecialFolder(kFolderWindows) + "\\System32\\drivers\\etc";
  return path + "\\hosts";
}

}  // namespace sysinfo
