// Version resources decoded from bytes: the translation and the strings.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sysinfo {

// One entry of the resource's translation table.
struct Translation {
  std::uint16_t language = 0;
  std::uint16_t codePage = 0;
};
inline constexpr std::uint16_t kUsEnglish = 0x0409;

// The first entry of a "\VarFileInfo\Translation" value: language in the low word, code page in
// the high word. Nothing when the value holds no whole entry.
std::optional<Translation> FirstTranslation(std::span<const std::uint8_t> value);

// "\StringFileInfo\040904E4\": the string block of a translation, ready for an entry name.
std::string StringBlockPrefix(Translation translation);

// The string-table entries the program keeps.
struct VersionStrings {
  std::string comments;
  std::string companyName;
  std::string fileDescription;
  std::string fileVersion;
  std::string internalName;
  std::string legalCopyright;
  std::string legalTrademarks;
  std::string originalFilename;
  std::string productName;
  std::string productVersion;
  std::string privateBuild;
  std::string specialBuild;
  std::string legalTrademarks1;
  std::string legalTrademarks2;
};

// Reads one string of the resource by its full sub-block path; empty text when it is missing.
using VersionStringQuery = std::function<std::string(const std::string& subBlock)>;

// Reads the strings of the translation's block. Many files name a translation whose block does
// not exist and keep their strings under US English with the same code page, so when the own
// block has no "CompanyName" the US-English block is tried, and used for every string when it
// has one.
VersionStrings ReadVersionStrings(Translation translation, const VersionStringQuery& query);

}  // namespace sysinfo
