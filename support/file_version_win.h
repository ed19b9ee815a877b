// cFixedFileInfo, a file's version resource.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "support/file_version.h"

namespace sysinfo {

// The version API of System32's version.dll; a function is null where it cannot be had, and
// then no file has a version resource.
struct VersionApi {
  decltype(&GetFileVersionInfoSizeW) getSize;
  decltype(&GetFileVersionInfoW) get;
  decltype(&VerQueryValueW) query;
};
const VersionApi& VersionDll();

// The version resource of one file: its fixed block and its string table. Setting
// FullPathName loads it; every other member returns what that load stored.
class cFixedFileInfo {
 public:
  // Normalises the given name to a full path and loads that file's resource. A name
  // that cannot be made a full path changes nothing.
  void FullPathName(const std::string& fileName);
  const std::string& FullPathName() const { return fullPathName_; }
  std::string Filename() const { return FileNamePart(fullPathName_); }
  std::string FileExtension() const { return ExtensionPart(fullPathName_); }

  bool Available() const { return available_; }
  std::uint32_t FileFlags() const { return fixed_.fileFlags; }
  std::uint32_t FileOS() const { return fixed_.fileOS; }
  std::uint32_t FileType() const { return fixed_.fileType; }
  std::uint32_t FileSubType() const { return fixed_.fileSubtype; }
  std::string VerFile() const {
    return VersionNumberText(fixed_.fileVersionMS, fixed_.fileVersionLS);
  }
  std::string VerProduct() const {
    return VersionNumberText(fixed_.productVersionMS, fixed_.productVersionLS);
  }
  std::string VerStructure() const { return VerStructureText(fixed_.strucVersion); }

  const std::string& Comments() const { return strings_.comments; }
  const std::string& CompanyName() const { return strings_.companyName; }
  const std::string& FileDescription() const { return strings_.fileDescription; }
  const std::string& FileVersion() const { return strings_.fileVersion; }
  const std::string& InternalName() const { return strings_.internalName; }
  const std::string& Language() const { return language_; }
  const std::string& LegalCopyright() const { return strings_.legalCopyright; }
  const std::string& LegalTrademarks() const { return strings_.legalTrademarks; }
  const std::string& OriginalFilename() const { return strings_.originalFilename; }
  const std::string& ProductName() const { return strings_.productName; }
  const std::string& ProductVersion() const { return strings_.productVersion; }
  const std::string& PrivateBuild() const { return strings_.privateBuild; }
  const std::string& SpecialBuild() const { return strings_.specialBuild; }
  const VersionStrings& Strings() const { return strings_; }

 private:
  void Load();

  std::string fullPathName_;
  bool available_ = false;
  FixedFileFields fixed_;
  std::string language_;
  VersionStrings strings_;
};

}  // namespace sysinfo
