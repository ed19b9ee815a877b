#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sysinfo {

// The text up to (not including) its first NUL; the whole text when it holds none.
std::string CutAtNull(std::string_view text);

// Removes leading and trailing blanks (spaces only, as the report's Trim does).
std::string_view Trim(std::string_view text);

// How many bytes at the end of UTF-8 text begin a sequence that the bytes after them complete.
std::size_t UnfinishedUtf8Character(std::string_view text);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Negative, zero or positive as a sorts before, with or after b, ignoring ASCII letter case.
int CompareIgnoreCase(std::string_view a, std::string_view b);

}  // namespace sysinfo
