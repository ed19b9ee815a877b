// Version resources decoded from bytes: the fixed block, the translation, the strings.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sysinfo {

// The fixed part of a version resource (the VS_FIXEDFILEINFO layout, 52 bytes, little-endian).
struct FixedFileFields {
  std::uint32_t signature = 0;
  std::uint32_t strucVersion = 0;
  std::uint32_t fileVersionMS = 0;
  std::uint32_t fileVersionLS = 0;
  std::uint32_t productVersionMS = 0;
  std::uint32_t productVersionLS = 0;
  std::uint32_t fileFlagsMask = 0;
  std::uint32_t fileFlags = 0;
  std::uint32_t fileOS = 0;
  std::uint32_t fileType = 0;
  std::uint32_t fileSubtype = 0;
  std::uint32_t fileDateMS = 0;
  std::uint32_t fileDateLS = 0;
};
inline constexpr std::size_t kFixedFileInfoBytes = 52;

// Nothing when the block is shorter than the fixed layout.
std::optional<FixedFileFields> DecodeFixedFileInfo(std::span<const std::uint8_t> block);

// "1.00" for 0x00010000: the high word, a point, the low word as at least two digits.
std::string VerStructureText(std::uint32_t strucVersion);
// "major.minor.build.revision" from the two 32-bit halves of a version number.
std::string VersionNumberText(std::uint32_t mostSignificant, std::uint32_t leastSignificant);

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

// The part of a path after its last backslash, and after its last point (empty when none).
std::string FileNamePart(std::string_view path);
std::string ExtensionPart(std::string_view path);

}  // namespace sysinfo
