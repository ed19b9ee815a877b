// Version resources decoded from bytes: fixed block, translations, string tables, path parts.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "support/file_version.h"

namespace sysinfo {
namespace {

TEST(FixedFileInfo, DecodesTheFieldsInTheirLayoutOrder) {
  std::vector<std::uint8_t> block;
  for (std::uint32_t word = 0; word < 13; ++word) {
    const std::uint32_t value = 0x01000000u * (word + 1) + 0x0203u * word;
    for (int shift = 0; shift < 32; shift += 8) block.push_back(static_cast<std::uint8_t>(value >> shift));
  }
  const auto fields = DecodeFixedFileInfo(block);
  ASSERT_TRUE(fields);
  const auto expect = [](std::uint32_t word) { return 0x01000000u * (word + 1) + 0x0203u * word; };
  EXPECT_EQ(fields->signature, expect(0));
  EXPECT_EQ(fields->strucVersion, expect(1));
  EXPECT_EQ(fields->fileVersionLS, expect(3));
  EXPECT_EQ(fields->fileFlags, expect(7));
  EXPECT_EQ(fields->fileOS, expect(8));
  EXPECT_EQ(fields->fileType, expect(9));
  EXPECT_EQ(fields->fileSubtype, expect(10));
  EXPECT_EQ(fields->fileDateLS, expect(12));

  block.pop_back();  // a block cut short is not read past its end
  EXPECT_FALSE(DecodeFixedFileInfo(block));
}

TEST(FixedFileInfo, VersionTexts) {
  EXPECT_EQ(VerStructureText(0x00010000), "1.00");
  EXPECT_EQ(VerStructureText(0x0002000A), "2.10");
  EXPECT_EQ(VerStructureText(0x00010123), "1.291");
  EXPECT_EQ(VersionNumberText(0x00050006, 0x00070008), "5.6.7.8");
  EXPECT_EQ(VersionNumberText(0xFFFF0000, 0x0000FFFF), "65535.0.0.65535");
}

TEST(Translation, FirstEntryAndItsBlockName) {
  const std::uint8_t german[] = {0x07, 0x04, 0xE4, 0x04, 0x09, 0x04, 0xB0, 0x04};
  const auto translation = FirstTranslation(german);
  ASSERT_TRUE(translation);
  EXPECT_EQ(translation->language, 0x0407);
  EXPECT_EQ(translation->codePage, 0x04E4);
  EXPECT_EQ(StringBlockPrefix(*translation), "\\StringFileInfo\\040704E4\\");
  EXPECT_EQ(StringBlockPrefix({0x409, 0x4B0}), "\\StringFileInfo\\040904B0\\");
  EXPECT_EQ(StringBlockPrefix({0x1, 0x0}), "\\StringFileInfo\\00010000\\");

  const std::uint8_t cutShort[] = {0x07, 0x04, 0xE4};
  EXPECT_FALSE(FirstTranslation(cutShort));
}

TEST(VersionStrings, OwnBlockOrUsEnglishFallback) {
  using Resource = std::map<std::string, std::string>;
  const std::string own = "\\StringFileInfo\\040704E4\\";
  const std::string us = "\\StringFileInfo\\040904E4\\";
  struct Case {
    const char* what;
    Resource resource;
    std::string company;
    std::string product;
    std::string fileVersion;
  };
  const Case cases[] = {
      {"own block complete",
       {{own + "CompanyName", "Eigene Firma"}, {own + "ProductName", "Produkt"}, {own + "FileVersion", "1.0"},
        {us + "CompanyName", "US Company"}, {us + "ProductName", "US Product"}},
       "Eigene Firma", "Produkt", "1.0"},
      {"strings only under US English",
       {{us + "CompanyName", "US Company"}, {us + "ProductName", "US Product"}, {us + "FileVersion", "2.0"}},
       "US Company", "US Product", "2.0"},
      {"neither block names a company: own strings stay",
       {{own + "ProductName", "Produkt"}, {own + "FileVersion", "3.0"}, {us + "ProductName", "US Product"}},
       "", "Produkt", "3.0"},
      {"no strings at all", {}, "", "", ""},
  };
  for (const Case& c : cases) {
    const VersionStrings strings =
        ReadVersionStrings({0x0407, 0x04E4}, [&c](const std::string& subBlock) {
          const auto found = c.resource.find(subBlock);
          return found == c.resource.end() ? std::string() : found->second;
        });
    EXPECT_EQ(strings.companyName, c.company) << c.what;
    EXPECT_EQ(strings.productName, c.product) << c.what;
    EXPECT_EQ(strings.fileVersion, c.fileVersion) << c.what;
  }
}

TEST(VersionStrings, EveryEntryLandsInItsOwnField) {
  const VersionStrings strings = ReadVersionStrings(
      {0x0409, 0x04B0}, [](const std::string& subBlock) { return subBlock.substr(25) + "!"; });
  const std::pair<std::string VersionStrings::*, const char*> fields[] = {
      {&VersionStrings::companyName, "CompanyName!"},   {&VersionStrings::comments, "Comments!"},
      {&VersionStrings::fileDescription, "FileDescription!"}, {&VersionStrings::fileVersion, "FileVersion!"},
      {&VersionStrings::internalName, "InternalName!"}, {&VersionStrings::legalCopyright, "LegalCopyright!"},
      {&VersionStrings::legalTrademarks, "LegalTrademarks!"},
      {&VersionStrings::originalFilename, "OriginalFilename!"},
      {&VersionStrings::productName, "ProductName!"},   {&VersionStrings::productVersion, "ProductVersion!"},
      {&VersionStrings::privateBuild, "PrivateBuild!"}, {&VersionStrings::specialBuild, "SpecialBuild!"},
      {&VersionStrings::legalTrademarks1, "LegalTrademarks1!"},
      {&VersionStrings::legalTrademarks2, "LegalTrademarks2!"},
  };
  for (const auto& [field, text] : fields) EXPECT_EQ(strings.*field, text);
}

TEST(PathParts, NameAndExtension) {
  struct Case {
    std::string_view path, name, extension;
  };
  const Case cases[] = {
      {"C:\\Windows\\System32\\drivers\\null.sys", "null.sys", "sys"},
      {"plain", "plain", ""},
      {"C:\\dir\\archive.tar.gz", "archive.tar.gz", "gz"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FileNamePart(c.path), c.name) << c.path;
    EXPECT_EQ(ExtensionPart(c.path), c.extension) << c.path;
  }
}

}  // namespace
}  // namespace sysinfo
