// The program's identity, as this build was numbered.
#include "base/program.h"

#include "generated/version.h"

namespace sysinfo {

std::string ProgramCaption(int major, int minor, int revision) {
  return std::string(kProgramName) + " v" + std::to_string(major) + "." + std::to_string(minor) +
         "." + std::to_string(revision);
}

std::string ProgramVersion() {
  return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
         std::to_string(kVersionRevision);
}

std::string ProgramCaption() {
  return ProgramCaption(kVersionMajor, kVersionMinor, kVersionRevision);
}

}  // namespace sysinfo
