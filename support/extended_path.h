// The extended-length ("\\?\") form of a path.
#pragma once

#include <string>
#include <string_view>

namespace sysinfo {

// The extended-length form of an absolute path ("\\?\C:\dir\name", "\\?\UNC\server\share\name"),
// through which Win32 passes every name to the file system exactly as given: no MAX_PATH limit,
// no trailing dots or spaces dropped, no device names ("con", "aux", "COM1") taking over a file's
// name. Since that form also turns off Win32's own parsing, this does what it would have done to
// the folders: "/" becomes "\", empty and "." components go, ".." takes away the one before it
// (never the drive or the share). Every name other than those is kept exactly, trailing dots and
// spaces included. A path already in the extended or device form ("\\?\", "\\.\") is returned
// unchanged; so is a relative one ("dir\name", "\dir", "C:name"), which only the current
// directory can complete.
std::string ExtendedLengthPath(std::string_view path);

// True for a path that names its drive or share ("C:\...", "\\server\share..."), or is already
// in the extended or device form; false for one relative to the current drive or folder.
bool IsFullPath(std::string_view path);

}  // namespace sysinfo
