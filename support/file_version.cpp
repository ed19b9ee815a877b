// Version resource parts decoded from bytes: the translation and the string table.
#include "support/file_version.h"

#include <cstdio>

namespace sysinfo {
namespace {

std::uint32_t Word32At(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return std::uint32_t{bytes[offset]} | std::uint32_t{bytes[offset + 1]} << 8 |
         std::uint32_t{bytes[offset + 2]} << 16 | std::uint32_t{bytes[offset + 3]} << 24;
}

unsigned HighWord(std::uint32_t value) { return value >> 16; }
unsigned LowWord(std::uint32_t value) { return value & 0xFFFF; }

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value & 0xFFFF);
  return text;
}

}  // namespace

std::optional<Translation> FirstTranslation(std::span<const std::uint8_t> value) {
  if (value.size() < 4) return std::nullopt;
  const std::uint32_t entry = Word32At(value, 0);
  return Translation{static_cast<std::uint16_t>(LowWord(entry)),
                     static_cast<std::uint16_t>(HighWord(entry))};
}

std::string StringBlockPrefix(Translation translation) {
  return "\\StringFileInfo\\" + Hex4(translation.language) + Hex4(translation.codePage) + "\\";
}

VersionStrings ReadVersionStrings(Translation translation, const VersionStringQuery& query) {
  VersionStrings strings;
  std::string prefix = StringBlockPrefix(translation);
  strings.companyName = query(prefix + "CompanyName");
  if (strings.companyName.empty()) {
    const std::string usPrefix = StringBlockPrefix({kUsEnglish, translation.codePage});
    strings.companyName = query(usPrefix + "CompanyName");
    if (!strings.companyName.empty()) prefix = usPrefix;
  }
  // Read in the resource's conventional order.
  const std::pair<const char*, std::string*> entries[] = {
      {"Comments", &strings.comments},
      {"FileDescription", &strings.fileDescription},
      {"FileVersion", &strings.fileVersion},
      {"InternalName", &strings.internalName},
      {"LegalCopyright", &strings.legalCopyright},
      {"LegalTrademarks", &strings.legalTrademarks},
      {"OriginalFilename", &strings.originalFilename},
      {"ProductName", &strings.productName},
      {"ProductVersion", &strings.productVersion},
      {"PrivateBuild", &strings.privateBuild},
      {"SpecialBuild", &strings.specialBuild},
      {"LegalTrademarks1", &strings.legalTrademarks1},
      {"LegalTrademarks2", &strings.legalTrademarks2},
  };
  for (const auto& [name, target] : entries) *target = query(prefix + name);
  return strings;
}

}  // namespace sysinfo
