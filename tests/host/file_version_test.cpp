// Version resources decoded from bytes: fixed block, translations, string tables, path parts.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "support/file_version.h"

namespace sysinfo {
namespace {

// A fixed block cut short is not read past its end.
TEST(FixedFileInfo, ABlockCutShortIsRefused) {
  std::vector<std::uint8_t> block(13 * 4, 0x5A);
  EXPECT_TRUE(DecodeFixedFileInfo(block));
  block.pop_back();
  EXPECT_FALSE(DecodeFixedFileInfo(block));
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
  // clang-format off
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
  // clang-format on
  for (const Case& c : cases) {
    const VersionStrings strings = ReadVersionStrings(
        {0x0407, 0x04E4}, [&c](const std::string& subBlock) {
          const auto found = c.resource.find(subBlock);
          return found == c.resource.end() ? std::string() : found->second;
        });
    EXPECT_EQ(strings.companyName, c.company) << c.what;
    EXPECT_EQ(strings.productName, c.product) << c.what;
    EXPECT_EQ(strings.fileVersion, c.fileVersion) << c.what;
  }
}

}  // namespace
}  // namespace sysinfo
