#include <gtest/gtest.h>

#include <windows.h>

#include <array>

#include "app/text.h"
#include "app/unicode_win.h"
#include "support/file_version_win.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using testing::ProgramFolder;
using testing::TempFolder;

std::string TestBinary(const char* name) { return ProgramFolder() + "\\" + name + ".dll"; }

cFixedFileInfo Load(const std::string& path) {
  cFixedFileInfo info;
  info.FullPathName(path);
  return info;
}

TEST(FileVersion, ReadsEveryStringAndTheFixedBlock) {
  const cFixedFileInfo info = Load(TestBinary("version_full"));
  ASSERT_TRUE(info.Available());
  EXPECT_EQ(info.Comments(), "For tests");
  EXPECT_EQ(info.CompanyName(), "Test Company");
  EXPECT_EQ(info.FileDescription(), "Test driver");
  EXPECT_EQ(info.FileVersion(), "5.6.7.8");
  EXPECT_EQ(info.InternalName(), "testdrv");
  EXPECT_EQ(info.LegalCopyright(), "Copyright nobody");
  EXPECT_EQ(info.LegalTrademarks(), "None");
  EXPECT_EQ(info.OriginalFilename(), "testdrv.sys");
  EXPECT_EQ(info.ProductName(), "Test Product");
  EXPECT_EQ(info.ProductVersion(), "5.6");
  EXPECT_EQ(info.PrivateBuild(), "private");
  EXPECT_EQ(info.SpecialBuild(), "special");
  // Windows says "English (United States)", Wine "English"; neither carries a NUL.
  EXPECT_EQ(info.Language().rfind("English", 0), 0u) << info.Language();
  EXPECT_EQ(info.Language().find('\0'), std::string::npos);
  EXPECT_EQ(info.VerFile(), "5.6.7.8");
  EXPECT_EQ(info.VerProduct(), "5.6.0.0");
  EXPECT_EQ(info.VerStructure(), "1.00");
  EXPECT_EQ(info.FileType(), static_cast<std::uint32_t>(VFT_DRV));
  EXPECT_EQ(info.FileSubType(), static_cast<std::uint32_t>(VFT2_DRV_SYSTEM));
  EXPECT_EQ(info.FileOS(), static_cast<std::uint32_t>(VOS_NT_WINDOWS32));
  EXPECT_EQ(info.FileFlags(), static_cast<std::uint32_t>(VS_FF_PRERELEASE));
  EXPECT_EQ(info.Filename(), "version_full.dll");
  EXPECT_EQ(info.FileExtension(), "dll");
}

TEST(FileVersion, TranslationFallbacks) {
  struct Case {
    const char* binary;
    std::string language;
    std::string company;
    std::string product;
    std::string fileVersion;
  };
  const Case cases[] = {
      // Translation 0407/04E4 whose strings exist only under 040904E4.
      {"version_german", "German", "Fallback Company", "Fallback Product", "4.3.2.1"},
      // Neither block names a company: the file's own block still gives the other strings.
      {"version_no_company", "German", "", "Eigenes Produkt", "7.0"},
      {"version_blank", "English", "Blank Version Co", "Blank", "   "},
      // No resource at all.
      {"version_none", "", "", "", ""},
  };
  for (const Case& c : cases) {
    const cFixedFileInfo info = Load(TestBinary(c.binary));
    EXPECT_EQ(info.Available(), c.language != "") << c.binary;
    EXPECT_EQ(info.Language().substr(0, c.language.size()), c.language) << c.binary;
    EXPECT_EQ(info.Language().find('\0'), std::string::npos) << c.binary;
    EXPECT_EQ(info.CompanyName(), c.company) << c.binary;
    EXPECT_EQ(info.ProductName(), c.product) << c.binary;
    EXPECT_EQ(info.FileVersion(), c.fileVersion) << c.binary;
  }
}

TEST(FileVersion, ARelativeNameBecomesTheFullPath) {
  TempFolder folder;
  ASSERT_TRUE(CopyFileW(Utf8ToWide(TestBinary("version_full")).c_str(),
                        Utf8ToWide(folder.File("copy.dll")).c_str(), FALSE));
  std::array<wchar_t, MAX_PATH> previous{};
  GetCurrentDirectoryW(MAX_PATH, previous.data());
  ASSERT_TRUE(SetCurrentDirectoryW(Utf8ToWide(folder.path()).c_str()));
  const cFixedFileInfo info = Load("copy.dll");
  SetCurrentDirectoryW(previous.data());
  EXPECT_TRUE(EqualsIgnoreCase(info.FullPathName(), folder.File("copy.dll")))
      << info.FullPathName();
  EXPECT_EQ(info.ProductName(), "Test Product");
}

TEST(FindFileInfo, FindsFilesAndFoldersAndKeepsTheRecordOnMissingOnes) {
  TempFolder folder;
  const std::string path = folder.File("driver.sys");
  ASSERT_TRUE(CopyFileW(Utf8ToWide(TestBinary("version_full")).c_str(), Utf8ToWide(path).c_str(), FALSE));

  FileFindRecord record;
  ASSERT_TRUE(FindFileInfo(path, record));
  EXPECT_EQ(WideToUtf8(record.findData.cFileName), "driver.sys");
  ASSERT_TRUE(record.versionInfo);
  EXPECT_EQ(record.versionInfo->FileVersion(), "5.6.7.8");
  const cFixedFileInfo* loaded = record.versionInfo.get();

  EXPECT_FALSE(FindFileInfo(folder.File("missing.sys"), record));
  EXPECT_EQ(record.versionInfo.get(), loaded);

  FileFindRecord folderRecord;
  EXPECT_TRUE(FindFileInfo(folder.path(), folderRecord));
  ASSERT_TRUE(folderRecord.versionInfo);
  EXPECT_FALSE(folderRecord.versionInfo->Available());
}

}  // namespace
}  // namespace sysinfo
