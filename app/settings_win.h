// settings.ini on disk: where it lives and the profile-file store that reads and writes it.
#pragma once

#include <memory>
#include <string>

#include "app/settings.h"

namespace sysinfo {

// settings.ini in the program's own folder.
std::string SettingsFilePath();

// The window's settings: settings.ini beside the program, and the user's own settings.ini in a
// folder named after the program under the local application data, for when the program's
// folder cannot be written.
std::unique_ptr<SettingsStore> OpenSettings();

// A Windows profile (INI) file read and written one value at a time; nothing stays open.
class IniFile final : public SettingsStore {
 public:
  // `makeFolder`: a write first creates the file's folder when it is missing.
  explicit IniFile(std::string path, bool makeFolder = false)
      : path_(std::move(path)), makeFolder_(makeFolder) {}
  std::string ReadIni(std::string_view section, std::string_view key) override;
  bool WriteIni(std::string_view section, std::string_view key, std::string_view value) override;

 private:
  std::string path_;
  bool makeFolder_;
};

}  // namespace sysinfo
