#pragma once

#include <string>

#include "app/settings.h"

namespace sysinfo {

// settings.ini in the program's own folder.
std::string SettingsFilePath();

// A Windows profile (INI) file read and written one value at a time; nothing stays open.
class IniFile final : public SettingsStore {
 public:
  explicit IniFile(std::string path) : path_(std::move(path)) {}
  std::string ReadIni(std::string_view section, std::string_view key) override;
  bool WriteIni(std::string_view section, std::string_view key, std::string_view value) override;

 private:
  std::string path_;
};

}  // namespace sysinfo
