// cFixedFileInfo: a file's version resource.
#pragma once

#include <windows.h>

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

// The version resource of one file: its string table. Setting FullPathName loads it.
class cFixedFileInfo {
 public:
  // Normalises the given name to a full path and loads that file's resource. A name
  // that cannot be made a full path changes nothing.
  void FullPathName(const std::string& fileName);
  const VersionStrings& Strings() const { return strings_; }

 private:
  void Load();

  std::string fullPathName_;
  VersionStrings strings_;
};

}  // namespace sysinfo
