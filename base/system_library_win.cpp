// DLLs of the system loaded from its own folders, and the process's DLL search limited to them.
#include "base/system_library_win.h"

#include <array>
#include <string>

namespace sysinfo {
namespace {

// A folder such as GetSystemDirectoryW gives, with a backslash after it.
template <typename Query>
std::wstring SystemFolder(Query query) {
  std::array<wchar_t, MAX_PATH> folder{};
  const UINT length = query(folder.data(), static_cast<UINT>(folder.size()));
  if (length == 0 || length >= folder.size()) return {};
  return std::wstring(folder.data(), length) + L"\\";
}

bool StartsWith(const std::wstring& path, const std::wstring& folder) {
  return !folder.empty() && path.size() > folder.size() &&
         CompareStringOrdinal(path.data(), static_cast<int>(folder.size()), folder.data(),
                              static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

// Whether a loaded module's file is System32's own or a side-by-side assembly's (the version 6
// common controls the manifest asks for).
bool IsSystemFile(HMODULE module) {
  std::array<wchar_t, MAX_PATH> name{};
  const DWORD length = GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
  if (length == 0 || length >= name.size()) return false;
  const std::wstring path(name.data(), length);
  const std::wstring system = SystemFolder(GetSystemDirectoryW);
  if (StartsWith(path, system) && path.find(L'\\', system.size()) == std::wstring::npos) {
    return true;
  }
  return StartsWith(path, SystemFolder(GetSystemWindowsDirectoryW) + L"WinSxS\\");
}

HMODULE LoadSystemModule(const wchar_t* fileName) {
  // By bare name first, so that the manifest's side-by-side assembly still applies.
  if (HMODULE module = LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    if (IsSystemFile(module)) return module;
    // A module of that name was already loaded from elsewhere (Wine resolves its own DLLs'
    // imports beside the program first): that one is never called.
    FreeLibrary(module);
  }
  // System32's own file by its full path; also where the search flags are not known (Windows 7
  // without KB2533623). Its own imports are looked for in System32 first.
  const std::wstring folder = SystemFolder(GetSystemDirectoryW);
  if (folder.empty()) return nullptr;
  return LoadLibraryExW((folder + fileName).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

void LimitDllSearchToSystem() {
  // Looked up rather than imported, so that the program still starts where it is missing.
  using SetDefaultDirectories = decltype(&SetDefaultDllDirectories);
  const auto setDefault = reinterpret_cast<SetDefaultDirectories>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");  // and never the current folder
}

SystemLibrary::SystemLibrary(const wchar_t* fileName) : module_(LoadSystemModule(fileName)) {}

SystemLibrary::Export SystemLibrary::Find(const char* name) const {
  if (!module_) return Export(nullptr);
  return Export(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
}

}  // namespace sysinfo
