// WTF-8: platform names that need not be valid UTF-16, carried losslessly as bytes.
#pragma once

#include <string>
#include <string_view>

namespace sysinfo {

// Names from the platform (registry keys, file names) are UTF-16 that need not be valid: a
// surrogate may stand alone. Inside the program they travel as WTF-8, which is UTF-8 except that
// a lone surrogate is written as the three bytes its code point would take (ED A0 80 to
// ED BF BF). A name then converts back to exactly the units it came from and opens again.

// UTF-16 units as WTF-8: a pair becomes its 4-byte character, a lone surrogate its 3-byte form.
std::string Utf16ToWtf8(std::u16string_view units);

// WTF-8 (so UTF-8 too) as UTF-16 units. A byte sequence that is neither becomes U+FFFD, one for
// each longest start of a sequence that cannot be completed.
std::u16string Wtf8ToUtf16(std::string_view text);

// The text for a reader that expects UTF-8: each lone surrogate becomes one U+FFFD; every other
// byte is kept as it is.
std::string Wtf8ToUtf8(std::string_view text);

// The bytes (1 to 4) of the UTF-8 character that starts `text`; 0 when it starts with none: a
// byte that begins no character, a cut or overlong sequence, a surrogate, a value past U+10FFFF.
std::size_t Utf8CharacterLength(std::string_view text);

// Appends the code point's UTF-8 form (a surrogate's is its WTF-8 form).
void AppendUtf8(std::string& out, char32_t code);

}  // namespace sysinfo
