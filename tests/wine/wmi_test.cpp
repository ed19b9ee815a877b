#include <gtest/gtest.h>

#include <algorithm>

#include "app/format.h"
#include "collectors/collectors.h"
#include "collectors/wmi_win.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using testing::CapturedReport;

class RealWmi : public ::testing::Test {
 protected:
  ComApartment com;
  std::unique_ptr<WmiService> wmi = MakeWmiService();

  std::vector<std::string> Collect(void (*collect)(ReportWriter&, WmiService&, int), int level) {
    CapturedReport report;
    collect(report.writer(), *wmi, level);
    return report.Lines();
  }

  WmiValue OperatingSystemValue(const char* property) {
    auto result = wmi->ExecQuery("SELECT * FROM Win32_OperatingSystem");
    const WmiObject* os = result->Next();
    return os ? os->Get(property) : WmiValue{Unreadable{}};
  }
};

bool HasLineStarting(const std::vector<std::string>& lines, const std::string& prefix) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

TEST_F(RealWmi, OperatingSystemBlockAtAdvanced) {
  const auto lines = Collect(CollectOperatingSystem, 3);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.back(), std::string(SeparatorLine));
  // The caption line: "<caption> (<architecture>) <version> <service pack>".
  EXPECT_NE(lines.front().find("Windows"), std::string::npos) << lines.front();
  EXPECT_NE(lines.front().find(" (64-bit) "), std::string::npos) << lines.front();

  const auto language = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind("OS Language: ", 0) == 0;
  });
  ASSERT_NE(language, lines.end());
  EXPECT_EQ(*language, "OS Language: English - United States");

  const auto productType = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind("Product Type: ", 0) == 0;
  });
  ASSERT_NE(productType, lines.end());
  EXPECT_EQ(*productType, "Product Type: 1 - Work Station");
}

TEST_F(RealWmi, PropertiesWineLacksAreLeftOutNotPrintedEmpty) {
  const auto lines = Collect(CollectOperatingSystem, 3);
  const std::pair<const char*, const char*> plainLines[] = {
      {"Status: ", "Status"},
      {"Number Of Users: ", "NumberOfUsers"},
      {"Registered User: ", "RegisteredUser"},
      {"Organization: ", "Organization"},
      {"Serial Number: ", "SerialNumber"},
      {"Country Code: ", "CountryCode"},
      {"Current Time Zone: ", "CurrentTimeZone"},
      {"Encryption Level: ", "EncryptionLevel"},
      {"Boot Device: ", "BootDevice"},
      {"System Device: ", "SystemDevice"},
      {"System Directory: ", "SystemDirectory"},
      {"System Drive: ", "SystemDrive"},
      {"Windows Directory: ", "WindowsDirectory"},
      {"Data Execution Prevention Available: ", "DataExecutionPrevention_Available"},
  };
  int lacking = 0;
  for (const auto& [label, property] : plainLines) {
    const WmiValue value = OperatingSystemValue(property);
    if (IsUnreadable(value)) ++lacking;
    EXPECT_EQ(HasLineStarting(lines, label), !IsUnreadable(value)) << property;
    if (!IsUnreadable(value)) {
      EXPECT_TRUE(HasLineStarting(lines, std::string(label) + *ValueText(value))) << property;
    }
  }
  // Wine answers most of these; the test must see both kinds to mean anything.
  EXPECT_LT(lacking, 14);
}

TEST_F(RealWmi, ComputerSystemBlockAtBasic) {
  const auto lines = Collect(CollectComputerSystem, 1);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_TRUE(HasLineStarting(lines, "Name: "));
  EXPECT_TRUE(HasLineStarting(lines, "Domain Role: 0 - Standalone Workstation") ||
              HasLineStarting(lines, "Domain Role: "));
  EXPECT_EQ(lines.back(), std::string(SeparatorLine));
}

TEST_F(RealWmi, AClassThatDoesNotExistGivesNoRowsOrAFailure) {
  auto result = wmi->ExecQuery("SELECT * FROM Win32_NoSuchClassAnywhere");
  int rows = 0;
  while (result->Next()) ++rows;
  EXPECT_EQ(rows, 0);
}

TEST_F(RealWmi, UnsignedAndSixtyFourBitValuesKeepTheirType) {
  // TotalVisibleMemorySize is a uint64 that WMI hands over as text.
  const WmiValue memory = OperatingSystemValue("TotalVisibleMemorySize");
  if (!IsUnreadable(memory) && !IsNull(memory)) {
    EXPECT_TRUE(std::holds_alternative<std::uint64_t>(memory)) << ValueText(memory).value_or("?");
  }
  const WmiValue language = OperatingSystemValue("OSLanguage");
  ASSERT_TRUE(std::holds_alternative<std::uint64_t>(language));
  EXPECT_EQ(std::get<std::uint64_t>(language), 1033u);
}

}  // namespace
}  // namespace sysinfo
