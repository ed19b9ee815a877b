// The English names of Windows language codes.
#include "collectors/os_language.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "base/text.h"

namespace sysinfo {
namespace {

struct Language {
  int code;  // Windows language identifier
  std::string_view name;
};

// In ascending code order; the names are printed exactly as they stand.
constexpr std::array<Language, 122> kLanguages{{
    {1, "Arabic"},  // 0x1
    {4, "Chinese (Simplified)- China"},  // 0x4
    {9, "English"},  // 0x9
    {1025, "Arabic - Saudi Arabia"},  // 0x401
    {1026, "Bulgarian"},  // 0x402
    {1027, "Catalan"},  // 0x403
    {1028, "Chinese (Traditional) - Taiwan"},  // 0x404
    {1029, "Czech"},  // 0x405
    {1030, "Danish"},  // 0x406
    {1031, "German - Germany"},  // 0x407
    {1032, "Greek"},  // 0x408
    {1033, "English - United States"},  // 0x409
    {1034, "Spanish - Traditional Sort"},  // 0x40A
    {1035, "Finnish"},  // 0x40B
    {1036, "French - France"},  // 0x40C
    {1037, "Hebrew"},  // 0x40D
    {1038, "Hungarian"},  // 0x40E
    {1039, "Icelandic"},  // 0x40F
    {1040, "Italian - Italy"},  // 0x410
    {1041, "Japanese"},  // 0x411
    {1042, "Korean"},  // 0x412
    {1043, "Dutch - Netherlands"},  // 0x413
    {1044, "Norwegian - Bokmal"},  // 0x414
    {1045, "Polish"},  // 0x415
    {1046, "Portuguese - Brazil"},  // 0x416
    {1047, "Rhaeto-Romanic"},  // 0x417
    {1048, "Romanian"},  // 0x418
    {1049, "Russian"},  // 0x419
    {1050, "Croatian"},  // 0x41A
    {1051, "Slovak"},  // 0x41B
    {1052, "Albanian"},  // 0x41C
    {1053, "Swedish"},  // 0x41D
    {1054, "Thai"},  // 0x41E
    {1055, "Turkish"},  // 0x41F
    {1056, "Urdu"},  // 0x420
    {1057, "Indonesian"},  // 0x421
    {1058, "Ukrainian"},  // 0x422
    {1059, "Belarusian"},  // 0x423
    {1060, "Slovenian"},  // 0x424
    {1061, "Estonian"},  // 0x425
    {1062, "Latvian"},  // 0x426
    {1063, "Lithuanian"},  // 0x427
    {1065, "Persian"},  // 0x429
    {1066, "Vietnamese"},  // 0x42A
    {1069, "Basque (Basque) - Basque"},  // 0x42D
    {1070, "Serbian"},  // 0x42E
    {1071, "Macedonian (FYROM)"},  // 0x42F
    {1072, "Sutu"},  // 0x430
    {1073, "Tsonga"},  // 0x431
    {1074, "Tswana"},  // 0x432
    {1076, "Xhosa"},  // 0x434
    {1077, "Zulu"},  // 0x435
    {1078, "Afrikaans"},  // 0x436
    {1080, "Faeroese"},  // 0x438
    {1081, "Hindi"},  // 0x439
    {1082, "Maltese"},  // 0x43A
    {1084, "Scottish Gaelic (United Kingdom)"},  // 0x43C
    {1085, "Yiddish"},  // 0x43D
    {1086, "Malay - Malaysia"},  // 0x43E
    {2049, "Arabic - Iraq"},  // 0x801
    {2052, "Chinese (Simplified) - PRC"},  // 0x804
    {2055, "German - Switzerland"},  // 0x807
    {2057, "English - United Kingdom"},  // 0x809
    {2058, "Spanish - Mexico"},  // 0x80A
    {2060, "French - Belgium"},  // 0x80C
    {2064, "Italian - Switzerland"},  // 0x810
    {2067, "Dutch - Belgium"},  // 0x813
    {2068, "Norwegian - Nynorsk"},  // 0x814
    {2070, "Portuguese - Portugal"},  // 0x816
    {2072, "Romanian - Moldova"},  // 0x818
    {2073, "Russian - Moldova"},  // 0x819
    {2074, "Serbian - Latin"},  // 0x81A
    {2077, "Swedish - Finland"},  // 0x81D
    {3073, "Arabic - Egypt"},  // 0xC01
    {3076, "Chinese (Traditional) - Hong Kong SAR"},  // 0xC04
    {3079, "German - Austria"},  // 0xC07
    {3081, "English - Australia"},  // 0xC09
    {3082, "Spanish - International Sort"},  // 0xC0A
    {3084, "French - Canada"},  // 0xC0C
    {3098, "Serbian - Cyrillic"},  // 0xC1A
    {4097, "Arabic - Libya"},  // 0x1001
    {4100, "Chinese (Simplified) - Singapore"},  // 0x1004
    {4103, "German - Luxembourg"},  // 0x1007
    {4105, "English - Canada"},  // 0x1009
    {4106, "Spanish - Guatemala"},  // 0x100A
    {4108, "French - Switzerland"},  // 0x100C
    {5121, "Arabic - Algeria"},  // 0x1401
    {5127, "German - Liechtenstein"},  // 0x1407
    {5129, "English - New Zealand"},  // 0x1409
    {5130, "Spanish - Costa Rica"},  // 0x140A
    {5132, "French - Luxembourg"},  // 0x140C
    {6145, "Arabic - Morocco"},  // 0x1801
    {6153, "English - Ireland"},  // 0x1809
    {6154, "Spanish - Panama"},  // 0x180A
    {7169, "Arabic - Tunisia"},  // 0x1C01
    {7177, "English - South Africa"},  // 0x1C09
    {7178, "Spanish - Dominican Republic"},  // 0x1C0A
    {8193, "Arabic - Oman"},  // 0x2001
    {8201, "English - Jamaica"},  // 0x2009
    {8202, "Spanish - Venezuela"},  // 0x200A
    {9217, "Arabic - Yemen"},  // 0x2401
    {9226, "Spanish - Colombia"},  // 0x240A
    {10241, "Arabic - Syria"},  // 0x2801
    {10249, "English - Belize"},  // 0x2809
    {10250, "Spanish - Peru"},  // 0x280A
    {11265, "Arabic - Jordan"},  // 0x2C01
    {11273, "English - Trinidad"},  // 0x2C09
    {11274, "Spanish - Argentina"},  // 0x2C0A
    {12289, "Arabic - Lebanon"},  // 0x3001
    {12298, "Spanish - Ecuador"},  // 0x300A
    {13313, "Arabic - Kuwait"},  // 0x3401
    {13322, "Spanish - Chile"},  // 0x340A
    {14337, "Arabic - U.A.E."},  // 0x3801
    {14346, "Spanish - Uruguay"},  // 0x380A
    {15361, "Arabic - Bahrain"},  // 0x3C01
    {15370, "Spanish - Paraguay"},  // 0x3C0A
    {16385, "Arabic - Qatar"},  // 0x4001
    {16394, "Spanish - Bolivia"},  // 0x400A
    {17418, "Spanish - El Salvador"},  // 0x440A
    {18442, "Spanish - Honduras"},  // 0x480A
    {19466, "Spanish - Nicaragua"},  // 0x4C0A
    {20490, "Spanish - Puerto Rico"},  // 0x500A
}};

static_assert(std::is_sorted(kLanguages.begin(), kLanguages.end(),
                             [](const Language& a, const Language& b) { return a.code < b.code; }));

}  // namespace

std::string LanguageName(std::string_view code) {
  const std::string_view digits = Trim(code);
  int number = 0;
  const auto end = digits.data() + digits.size();
  const auto [ptr, ec] = std::from_chars(digits.data(), end, number);
  if (ec == std::errc() && ptr == end) {
    // The whole text must be the code: "1025" finds 1025, never 10250.
    const auto row = std::lower_bound(kLanguages.begin(), kLanguages.end(), number,
                                      [](const Language& l, int n) { return l.code < n; });
    if (row != kLanguages.end() && row->code == number && std::to_string(number) == digits) {
      return std::string(row->name);
    }
  }
  return std::string(code);
}

}  // namespace sysinfo
