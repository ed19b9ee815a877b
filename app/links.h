// Where the window's picture and link label lead.
#pragma once

namespace sysinfo {

// Where the window's picture and link label lead. Placeholders until the maker's pages exist.
inline constexpr wchar_t kMakerWebPage[] = L"https://www.example.com/";
inline constexpr wchar_t kMakerSocialPage[] = L"https://social.example.com/veltrix";

}  // namespace sysinfo
