// Wine test helpers: temporary folders, placed files, program runs, whole-file reads.
#pragma once

#include <windows.h>

#include <list>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/format.h"
#include "tests/wine/test_keys.h"

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
  std::string Write(const std::string& path, const std::string& bytes,
                    unsigned long attributes = 0);
  // Copies a file of the build folder (a test module) to `path`.
  std::string Copy(const std::string& builtFile, const std::string& path);
  std::string MakeFolder(const std::string& path);
  // Writes `below` (a path with folders) below `base`, making the folders on its way that are not
  // there yet; each removed again at scope end, as the file is.
  std::string WriteBelow(const std::string& base, const std::string& below,
                         const std::string& bytes);

 private:
  std::vector<std::string> paths_;
};

struct ProgramRun {
  unsigned long exitCode = 0;
  std::string output;  // standard output and standard error together
};

// The Unix name of a file or folder in the prefix; empty when Wine cannot tell.
std::string UnixFileName(const std::string& path);
// Starts a Unix program through Wine's start.exe; it runs on its own, so wait for its effect.
void StartUnixProgram(const std::vector<std::wstring>& argv);

inline constexpr unsigned long kPatienceMs = 60'000;  // generous: a cold Wine start can be slow

// Asks `found` every millisecond until it gives a value, for at most kPatienceMs.
template <typename Found>
auto WaitFor(Found found) {
  decltype(found()) result{};
  for (unsigned long waited = 0; waited < kPatienceMs && !result; ++waited) {
    result = found();
    if (!result) Sleep(1);
  }
  return result;
}

// Runs a program of the build folder (or at a full path) with the given arguments and waits for
// it; one still running after kPatienceMs is ended with the exit code WAIT_TIMEOUT.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args);

// Look-alikes of the system DLLs that are not KnownDLLs (resources/lookalike.c), as someone would
// plant them beside a program. While a Planting lives, Wine's DLL overrides make the programs the
// test starts prefer such a DLL beside them to Wine's own (native, then builtin), as Windows does
// for a DLL that is not a KnownDLL. (WINEDLLOVERRIDES would do the same, but Wine reads it from
// the Unix environment, which a program started from here does not get from this one.)
class Planting {
 public:
  Planting();

  void PlantIn(const std::string& folder) const;
  // The look-alikes' markers in `folder` ("version.dll.loaded"; "crypt32.dll.called" when the
  // program called it) but the loads that a program importing nothing but KnownDLLs shows too:
  // Wine 8 looks for its own DLLs' imports beside the program first (its user32 imports
  // version.dll), which Windows does not for a KnownDLL's.
  std::set<std::string> MarkersBeyondWinesOwn(const std::string& folder) const;

 private:
  std::list<SavedValue> overrides_;
  std::set<std::string> winesOwn_;
};

// The whole file as bytes; false when it does not exist.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// This test program started again to run only the disabled test `test` (its full name): a child
// the calling test ends from outside. An empty handle when it could not be started.
UniqueHandle StartChildTest(const std::wstring& test);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// Whether `word` stands in `text` as a whole word (no ASCII letter or digit beside it), in any
// letter case unless told: how a redacted report is searched for a value it must not hold.
bool HoldsWord(std::string_view text, std::string_view word, bool anyCase = true);

// The computer's name, as the machine gives it.
std::string ComputerName();

// The lines of category `number`'s block in a report: after its start line and the separator
// under it, up to its end line. Fails the test when the block is not there.
Lines SectionBody(const Lines& report, std::size_t number, std::string_view name);

}  // namespace sysinfo::testing
