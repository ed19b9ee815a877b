// The English name of a Windows language code.
#pragma once

#include <string>
#include <string_view>

namespace sysinfo {

// The English name of a Windows language code given as decimal text ("1033" gives
// "English - United States"); a code the table lacks comes back as it was given.
std::string LanguageName(std::string_view code);

}  // namespace sysinfo
