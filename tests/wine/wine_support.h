#pragma once

#include <string>
#include <vector>

namespace sysinfo::testing {

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

struct ProgramRun {
  unsigned long exitCode = 0;
  std::string output;  // standard output and standard error together
};

// Runs a program of the build folder with the given arguments and waits for it.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args);

// The whole file as bytes; nothing when it does not exist.
bool ReadWholeFile(const std::string& path, std::string& bytes);
bool FileExists(const std::string& path);

}  // namespace sysinfo::testing
