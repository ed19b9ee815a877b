// settings.ini on disk through the profile API, beside the program or in the user's folder.
#include "app/settings_win.h"

#include <windows.h>

#include <vector>

#include "base/program.h"
#include "scan/scan.h"
#include "base/special_folders_win.h"
#include "base/unicode_win.h"

namespace sysinfo {

std::string SettingsFilePath() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  std::wstring folder(path.begin(), path.end());
  folder.erase(folder.find_last_of(L'\\') + 1);
  return WideToUtf8(folder) + std::string(kSettingsFileName);
}

std::unique_ptr<SettingsStore> OpenSettings() {
  auto beside = std::make_unique<IniFile>(SettingsFilePath());
  const std::string userData = GetSpecialFolder(kFolderLocalAppData);
  if (userData.empty()) return beside;
  const std::string userFile = userData + "\\" + std::string(kProgramName) + "\\" +
                               std::string(kSettingsFileName);
  const bool exists = GetFileAttributesW(Utf8ToWide(userFile).c_str()) != INVALID_FILE_ATTRIBUTES;
  return std::make_unique<LayeredSettings>(std::move(beside),
                                           std::make_unique<IniFile>(userFile, true), exists);
}

std::string IniFile::ReadIni(std::string_view section, std::string_view key) {
  std::vector<wchar_t> buffer(4096, L'\0');
  const DWORD length = GetPrivateProfileStringW(
      Utf8ToWide(section).c_str(), Utf8ToWide(key).c_str(), L"", buffer.data(),
      static_cast<DWORD>(buffer.size()), Utf8ToWide(path_).c_str());
  return WideToUtf8(std::wstring_view(buffer.data(), length));
}

bool IniFile::WriteIni(std::string_view section, std::string_view key, std::string_view value) {
  if (makeFolder_) {
    const std::wstring folder = Utf8ToWide(path_.substr(0, path_.find_last_of('\\')));
    CreateDirectoryW(folder.c_str(), nullptr);  // fails harmlessly when it exists
  }
  return WritePrivateProfileStringW(Utf8ToWide(section).c_str(), Utf8ToWide(key).c_str(),
                                    Utf8ToWide(value).c_str(), Utf8ToWide(path_).c_str()) != FALSE;
}

}  // namespace sysinfo
