// Text helpers over UTF-8 and raw bytes: NUL cuts, bounded reads, trims, case-blind compares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace sysinfo {

// The text up to (not including) its first NUL; the whole text when it holds none.
std::string CutAtNull(std::string_view text);

// The bytes a value the platform points at takes up inside `buffer`: `length` bytes from
// `value`, cut at the buffer's end; nothing when `value` lies outside the buffer. A length the
// data states can then never lead a read past the buffer that holds it.
std::span<const std::uint8_t> BytesInside(std::span<const std::uint8_t> buffer, const void* value,
                                          std::size_t length);

// The little-endian UTF-16 text in `bytes` up to its first NUL; a last odd byte is no character.
std::u16string Utf16Text(std::span<const std::uint8_t> bytes);

// Removes leading and trailing blanks (spaces only, as the report's Trim does).
std::string_view Trim(std::string_view text);

// Removes leading and trailing spaces and tabs.
std::string_view TrimBlanks(std::string_view text);

// How many bytes at the end of UTF-8 text begin a sequence that the bytes after them complete.
std::size_t UnfinishedUtf8Character(std::string_view text);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Negative, zero or positive as a sorts before, with or after b, ignoring ASCII letter case.
int CompareIgnoreCase(std::string_view a, std::string_view b);

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix);

// ASCII letters folded to lower case, as CompareIgnoreCase compares them.
std::string LowerCase(std::string_view text);

// The text upper-cased as Windows compares file names: one UTF-16 unit at a time, so each
// character of the Basic Multilingual Plane becomes at most one other ("\u00DF" stays, "\u0131"
// is "I"); a character beyond that plane, a lone surrogate and a byte that begins no character
// are kept as they are.
std::string FoldCase(std::string_view text);

// Whether two names are the same to Windows (their FoldCase equal), without making either.
bool EqualsFoldingCase(std::string_view a, std::string_view b);
bool StartsWithFoldingCase(std::string_view text, std::string_view prefix);

}  // namespace sysinfo
