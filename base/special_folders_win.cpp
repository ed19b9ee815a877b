// A shell folder's path through SHGetSpecialFolderLocation and SHGetPathFromIDList.
#include "base/special_folders_win.h"

#include <windows.h>
#include <shlobj.h>

#include <array>

#include "base/handles_win.h"
#include "base/unicode_win.h"

namespace sysinfo {

std::string GetSpecialFolder(int csidl) {
  ITEMIDLIST* rawList = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &rawList)) || !rawList) return {};
  const UniqueTaskMemory<ITEMIDLIST> list(rawList);
  std::array<wchar_t, MAX_PATH> path{};
  if (!SHGetPathFromIDListW(list.get(), path.data())) return {};
  return WideToUtf8(path.data());
}

}  // namespace sysinfo
