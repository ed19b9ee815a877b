// Absolute paths in their extended-length form, folders resolved as Win32 would.
#include "support/extended_path.h"

#include <vector>

namespace sysinfo {
namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The components between backslashes, with empty and "." ones left out and ".." applied.
std::vector<std::string_view> Components(std::string_view rest) {
  std::vector<std::string_view> kept;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\\');
    const std::string_view part = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(part);
  }
  return kept;
}

// Splits off the part of a UNC path ("\\server\share") that ".." never leaves.
std::string_view UncRoot(std::string_view path) {
  std::size_t end = path.find('\\', 2);  // after the server
  if (end != std::string_view::npos) end = path.find('\\', end + 1);  // after the share
  return path.substr(0, end);
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDrivePath(std::string_view path) {
  return path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]);
}

}  // namespace

bool IsFullPath(std::string_view path) {
  return IsDrivePath(path) ||
         (path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]));
}

std::string ExtendedLengthPath(std::string_view path) {
  if (path.starts_with("\\\\?\\") || path.starts_with("\\\\.\\") || !IsFullPath(path)) {
    return std::string(path);
  }
  std::string normal(path);
  for (char& c : normal) {
    if (c == '/') c = '\\';
  }
  std::string result;
  std::string_view rest;
  if (IsDrivePath(normal)) {
    result = "\\\\?\\" + normal.substr(0, 2);
    rest = std::string_view(normal).substr(3);
  } else {
    if (normal.starts_with("\\\\?\\") || normal.starts_with("\\\\.\\"))
      return normal;  // "//?/", "//./"
    const std::string_view root = UncRoot(normal);
    result = "\\\\?\\UNC\\" + std::string(root.substr(2));
    rest = std::string_view(normal).substr(root.size());
  }
  const std::vector<std::string_view> kept = Components(rest);
  // The root folder keeps its backslash: "\\?\C:" alone would name the volume, not its root.
  if (kept.empty()) return result + "\\";
  for (const std::string_view part : kept) (result += '\\') += part;
  if (normal.back() == '\\') result += '\\';  // a folder given with its backslash keeps it
  return result;
}

}  // namespace sysinfo
