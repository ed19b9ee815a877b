// Version resources decoded from bytes: the translation table.
#include <gtest/gtest.h>

#include <vector>

#include "support/file_version.h"

namespace sysinfo {
namespace {

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

}  // namespace
}  // namespace sysinfo
