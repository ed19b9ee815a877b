// The program's identity: its name, its version and its caption.
#pragma once

#include <string>
#include <string_view>

namespace sysinfo {

// The program's name: the caption without its version.
inline constexpr std::string_view kProgramName = "Veltrix - System Information";

// "Veltrix - System Information v1.0.2": the window's caption and the report's first line.
std::string ProgramCaption(int major, int minor, int revision);

// The program's own version, "1.0.2", and its caption, as this build was numbered.
std::string ProgramVersion();
std::string ProgramCaption();

}  // namespace sysinfo
