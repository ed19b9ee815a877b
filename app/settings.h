// The window's settings: settings.ini's keys, their text and the store that holds them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/levels.h"

namespace sysinfo {

// settings.ini beside the program (or the user's own, see LayeredSettings): one section, a
// "True"/"False" key per category, the selected detail-level button's index, and "True"/"False"
// for writing the report redacted (off when missing or unreadable).
inline constexpr std::string_view kSettingsFileName = "settings.ini";
inline constexpr std::string_view kSettingsSection = "main";
inline constexpr std::string_view kDetailLevelKey = "DetailLevel";
inline constexpr std::string_view kRedactKey = "Redact";
// Words only the user knows, hidden in a redacted report: "Bobby;Zephyr;Project Falcon".
inline constexpr std::string_view kRedactWordsKey = "RedactWords";

// The detail-level button selected before the settings are read.
inline constexpr int kDesignLevelIndex = 1;
inline constexpr int kLevelButtonCount = 3;

// "True" or "False", as the settings file stores a tick.
std::string BooleanText(bool value);

// A tick as stored: "True"/"False" in any letter case, or a number (non-zero is ticked).
// Nothing for empty or other text.
std::optional<bool> ParseBoolean(std::string_view text);

// The words of a "RedactWords" line: parted by ";", blanks around each dropped, empty ones left
// out.
std::vector<std::string> ParseRedactWords(std::string_view text);

// Decimal text, blanks around it allowed; nothing when it is not a number.
std::optional<double> ParseNumber(std::string_view text);

// The level button to select for a stored "DetailLevel": missing or non-numeric text selects the
// first button, a number is rounded to a whole one and selects that button, and a number with no
// such button leaves `designIndex` selected.
int RestoredLevelIndex(std::string_view stored, int designIndex = kDesignLevelIndex);

// Where the settings are read from and written to.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // Empty text for a missing file, section or key.
  virtual std::string ReadIni(std::string_view section, std::string_view key) = 0;
  virtual bool WriteIni(std::string_view section, std::string_view key, std::string_view value) = 0;
};

// The settings beside the program while that file can be written, else the user's own file.
// A value is read from the user's file first, then from the one beside the program; once the
// user's file is in use (or exists at the start) every value is written there, so what is read
// back is always what was written last.
class LayeredSettings final : public SettingsStore {
 public:
  LayeredSettings(std::unique_ptr<SettingsStore> beside, std::unique_ptr<SettingsStore> user,
                  bool userFileExists)
      : beside_(std::move(beside)), user_(std::move(user)), useUser_(userFileExists) {}
  std::string ReadIni(std::string_view section, std::string_view key) override;
  bool WriteIni(std::string_view section, std::string_view key, std::string_view value) override;

 private:
  std::unique_ptr<SettingsStore> beside_;
  std::unique_ptr<SettingsStore> user_;
  bool useUser_;
};

}  // namespace sysinfo
