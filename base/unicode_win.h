// Text at the Win32 boundary: UTF-8 and UTF-16, the ANSI code page, system error texts.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "base/wtf8.h"

namespace sysinfo {

// Text is UTF-8 inside the program; Win32 calls take UTF-16. Names that are not valid UTF-16 (a
// lone surrogate) are carried as WTF-8 (see base/wtf8.h), so Utf8ToWide(WideToUtf8(x)) == x for
// every x and a listed name opens again. Bytes that are not UTF-8 become U+FFFD.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
// UTF-16 taken from raw bytes (see Utf16Text), as UTF-8.
inline std::string WideToUtf8(std::u16string_view text) { return Utf16ToWtf8(text); }

// The report's bytes: the system ANSI code page, which is what the file is read with. Nothing
// when the text cannot be converted.
std::optional<std::string> Utf8ToAnsi(std::string_view text);
// Text read from a file in the system ANSI code page, as UTF-8.
std::string AnsiToUtf8(std::string_view text);
// How many bytes at the end of ANSI text begin a character that the bytes after them complete:
// 1 after the lead byte of a double-byte character, else 0 (UTF-8 as the ANSI code page: the
// bytes of its unfinished sequence).
std::size_t UnfinishedAnsiCharacter(std::string_view text);

// The system's own words for an error code (FormatMessage), without the trailing line end.
std::string SystemErrorText(DWORD code);

// The platform's failure, in the system's own words.
inline Error SystemError(DWORD code) { return Failure(SystemErrorText(code)); }

}  // namespace sysinfo
