// The Operating System section: Win32_OperatingSystem's lines, the language named.
#include <array>

#include "base/text.h"
#include "collectors/category.h"
#include "collectors/collectors.h"
#include "collectors/os_language.h"
#include "collectors/section.h"

namespace sysinfo {
namespace {

// "<caption> (<architecture>) <version> <service pack>". Older systems lack OSArchitecture:
// the parentheses then stay empty. Only the caption is trimmed.
std::optional<std::string> CaptionLine(const WmiObject& os) {
  const auto caption = ValueText(os.Get("Caption"));
  const auto version = ValueText(os.Get("Version"));
  const auto servicePack = ValueText(os.Get("CSDVersion"));
  if (!caption || !version || !servicePack) return std::nullopt;
  const std::string architecture = ValueText(os.Get("OSArchitecture")).value_or("");
  return std::string(Trim(*caption)) + " (" + architecture + ") " + *version + " " + *servicePack;
}

// A language code that is Null has no name: the line is left out.
std::optional<std::string> LanguageText(const SourceValue& code) {
  if (IsNull(code)) return std::nullopt;
  const auto text = ValueText(code);
  if (!text) return std::nullopt;
  return LanguageName(*text);
}

constexpr std::array<CodeSuffix, 3> kProductTypes{{
    {1, " - Work Station"},
    {2, " - Domain Controller"},
    {3, " - Server"},
}};

constexpr std::array<std::string_view, 4> kCaptionProperties{"Caption", "OSArchitecture", "Version",
                                                             "CSDVersion"};

constexpr std::array<SectionLine, 20> kLines{{
    {"", "", {1, 1, 1}, nullptr, CaptionLine, kCaptionProperties},
    {"Status: ", "Status", {0, 1, 1}},
    {"Number Of Users: ", "NumberOfUsers", {0, 1, 1}},
    {"Registered User: ", "RegisteredUser", {1, 1, 1}},
    {"Organization: ", "Organization", {1, 1, 1}},
    {"Serial Number: ", "SerialNumber", {1, 1, 1}},
    {"Country Code: ", "CountryCode", {0, 1, 1}},
    {"Current Time Zone: ", "CurrentTimeZone", {0, 1, 1}},
    {"Encryption Level: ", "EncryptionLevel", {0, 0, 1}},
    {"OS Language: ", "OSLanguage", {1, 1, 1}, LanguageText},
    {"Product Type: ", "ProductType", {1, 1, 1}, Coded<kProductTypes>},
    {"Boot Device: ", "BootDevice", {0, 0, 1}},
    {"System Device: ", "SystemDevice", {0, 0, 1}},
    {"System Directory: ", "SystemDirectory", {0, 0, 1}},
    {"System Drive: ", "SystemDrive", {0, 0, 1}},
    {"Windows Directory: ", "WindowsDirectory", {0, 0, 1}},
    {"Data Execution Prevention 32Bit Applications: ",
     "DataExecutionPrevention_32BitApplications",
     {0, 0, 1}},
    {"Data Execution Prevention Available: ", "DataExecutionPrevention_Available", {0, 0, 1}},
    {"Data Execution Prevention Drivers: ", "DataExecutionPrevention_Drivers", {0, 0, 1}},
    {"Data Execution Prevention Support Policy: ",
     "DataExecutionPrevention_SupportPolicy",
     {0, 0, 1}},
}};

// One system: matched by position.
// clang-format off
constexpr std::span<const std::string_view> kKey{};
constexpr std::span<const std::string_view> kChanging{};
constexpr std::array<IdentifyingField, 3> kIdentifying{{
    {"RegisteredUser", IdentityKind::Owner},
    {"Organization", IdentityKind::Organization},
    {"SerialNumber", IdentityKind::Serial},
}};
// clang-format on

constexpr std::string_view kQuery = "SELECT * FROM Win32_OperatingSystem";

}  // namespace

void CollectOperatingSystem(ReportWriter& report, WmiService& wmi, DetailLevel level) {
  PrintSection(report, wmi, kQuery, kLines, level);
}

extern const CategoryDefinition kOperatingSystemCategory{"Operating System",
                                                         StartLine::WithDetail,
                                                         Over<CollectOperatingSystem>,
                                                         {kKey, kChanging, kIdentifying, kQuery}};

}  // namespace sysinfo
