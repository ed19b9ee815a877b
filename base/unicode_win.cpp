// UTF-8 (WTF-8) to UTF-16 and back, ANSI code page text, and system error texts.
#include "base/unicode_win.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>

#include "base/text.h"
#include "base/wtf8.h"

namespace sysinfo {

// wchar_t is a UTF-16 unit on Windows; the conversion itself is portable and works on char16_t.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring Utf8ToWide(std::string_view text) {
  const std::u16string units = Wtf8ToUtf16(text);
  return std::wstring(units.begin(), units.end());
}

std::string WideToUtf8(std::wstring_view text) {
  return Utf16ToWtf8(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

namespace {

// Every ANSI code page agrees with ASCII, which is also UTF-8: most text needs no conversion.
bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

}  // namespace

std::optional<std::string> Utf8ToAnsi(std::string_view text) {
  if (IsAscii(text)) return std::string(text);
  // A UTF-8 text never has more UTF-16 units than bytes, so the wide text fits an int too.
  if (text.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  const std::wstring wide = Utf8ToWide(text);
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr,
                                         nullptr);
  if (length <= 0) return std::nullopt;
  std::string ansi(static_cast<std::size_t>(length), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, wide.data(), size, ansi.data(), length, nullptr, nullptr) !=
      length) {
    return std::nullopt;
  }
  return ansi;
}

std::string AnsiToUtf8(std::string_view text) {
  if (IsAscii(text)) return std::string(text);
  const int size = static_cast<int>(text.size());  // the hosts file comes in pieces of 64 KiB
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
  return WideToUtf8(wide);
}

std::size_t UnfinishedAnsiCharacter(std::string_view text) {
  static const UINT codePage = GetACP();
  if (codePage == CP_UTF8) return UnfinishedUtf8Character(text);
  static const bool doubleByte = [] {
    CPINFO info{};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
  }();
  if (!doubleByte) return 0;
  // Walked from the start: in a double-byte code page a trail byte can look like a lead byte.
  std::size_t at = 0;
  while (at < text.size()) {
    const auto byte = static_cast<BYTE>(text[at]);
    if (byte < 0x80 || !IsDBCSLeadByte(byte)) {
      ++at;
    } else if (at + 1 == text.size()) {
      return 1;
    } else {
      at += 2;
    }
  }
  return 0;
}

std::string SystemErrorText(DWORD code) {
  std::array<wchar_t, 512> buffer{};
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, buffer.data(),
                                      static_cast<DWORD>(buffer.size()), nullptr);
  std::wstring text(buffer.data(), length);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  if (!text.empty()) return WideToUtf8(text);
  std::array<char, 32> fallback{};
  std::snprintf(fallback.data(), fallback.size(), "error 0x%08lX",
                static_cast<unsigned long>(code));
  return fallback.data();
}

}  // namespace sysinfo
