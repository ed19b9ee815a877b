#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/format.h"

namespace sysinfo::testing {

using Lines = std::vector<std::string>;
inline const std::string kSeparator(SeparatorLine);

// The folder of the running test program, where the programs under test are built too.
std::string ProgramFolder();

// A new empty folder under the temporary folder, removed with its files at scope end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// Files and folders the test puts into the prefix's real folders, removed again at scope end.
class PlacedFiles {
 public:
  PlacedFiles() = default;
  ~PlacedFiles();
  PlacedFiles(const PlacedFiles&) = delete;
  PlacedFiles& operator=(const PlacedFiles&) = delete;
  std::string Write(const std::string& path, const std::string& bytes, unsigned long attributes = 0);
  // Copies a file of the build folder (a test module) to `path`.
  std::string Copy(const std::string& builtFile, const std::string& path);
  std::string MakeFolder(const std::string& path);

 private:
  std::vector<std::string> paths_;
};

struct ProgramRun {
  unsigned long exitCode = 0;
  std::string output;  // standard output and standard error together
};

// Runs a program of the build folder with the given arguments and waits for it.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args);

// The whole file as bytes; false when it does not exist.
bool ReadWholeFile(const std::string& path, std::string& bytes);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// The lines of category `number`'s block in a report: after its start line and the separator
// under it, up to its end line. Fails the test when the block is not there.
Lines SectionBody(const Lines& report, std::size_t number, std::string_view name);

// Lines cut at the separators (left out), skipping records without lines; fails the test when
// lines follow the last separator.
std::vector<Lines> Records(const Lines& lines);

}  // namespace sysinfo::testing
