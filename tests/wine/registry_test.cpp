// The real registry under Wine: value types, both views, hosts path, Software and Proxy Info.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/unicode_win.h"
#include "collectors/collectors.h"
#include "support/registry_win.h"
#include "tests/fakes/memory_report.h"
#include "tests/wine/test_keys.h"
#include "tests/wine/wine_support.h"

namespace sysinfo {
namespace {

using namespace testing;
using namespace std::string_literals;

std::wstring Unique(const std::wstring& name) {
  return name + L"-" + std::to_wstring(GetCurrentProcessId());
}

std::string EnvironmentVariable(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  GetEnvironmentVariableW(name, value, MAX_PATH);
  return WideToUtf8(value);
}

TEST(RegistryOnWine, ReadsEveryValueTypeOfARealKey) {
  const std::wstring path = L"Software\\" + Unique(L"SysinfoRegistryTest");
  TestKey key(HKEY_CURRENT_USER, path);
  ASSERT_TRUE(key.ok());
  key.SetDword(L"Dword", 1);
  key.SetText(L"Expand", L"%SystemRoot%\\System32\\drivers\\etc", REG_EXPAND_SZ);
  key.SetText(L"Multi", L"a\0b\0"s, REG_MULTI_SZ);
  const BYTE binary[] = {0x0A, 0x1F, 0x00};
  key.Set(L"Binary", REG_BINARY, binary, sizeof binary);
  key.SetText(L"Long", std::wstring(3000, L'x'));  // 6,002 bytes: more than the first try's 4,096
  key.SetText(L"Gr\u00F6\u00DFe-\u03A9", L"\u0416\u0435\u043B\u0430\u043D\u0438\u0435");
  TestKey child(HKEY_CURRENT_USER, path + L"\\\u03A9-Schl\u00FCssel");  // a child with a wide name

  WindowsRegistry keys;
  const std::string keyPath = WideToUtf8(path);
  auto read = [&](const char* name, RegistryRule rule) {
    return keys.GetRegistryValue(RegistryRoot::CurrentUser, keyPath + "\\", name, "default"s, rule)
        .value;
  };
  auto text = [&](const char* name) { return RegistryValueText(read(name, RegistryRule::Typed)); };
  EXPECT_EQ(text("Dword"), "1");
  EXPECT_EQ(text("Expand"), EnvironmentVariable(L"SystemRoot") + "\\System32\\drivers\\etc");
  EXPECT_EQ(text("Multi"), "a\0b"s);
  EXPECT_EQ(read("Binary", RegistryRule::Typed),
            RegistryValue(std::vector<std::uint8_t>{0x0A, 0x1F, 0x00}));
  EXPECT_EQ(text("Long"), std::string(3000, 'x'));
  EXPECT_EQ(text("Missing"), "default");
  EXPECT_EQ(text("Gr\xC3\xB6\xC3\x9F"
                 "e-\xCE\xA9"),
            "\xD0\x96\xD0\xB5\xD0\xBB\xD0\xB0\xD0\xBD\xD0\xB8\xD0\xB5");
  const std::string childName = "\xCE\xA9-Schl\xC3\xBCssel";
  EXPECT_EQ(keys.EnumRegistryKeys(RegistryRoot::CurrentUser, keyPath).value, Lines{childName});

  auto listed = [&](const char* name) {
    return RegistryValueText(read(name, RegistryRule::Text64Bit));
  };
  EXPECT_EQ(listed("Expand"), "%SystemRoot%\\System32\\drivers\\etc");
  EXPECT_EQ(listed("Long"), std::string(3000, 'x'));
}

TEST(RegistryOnWine, ReadsBothViews) {
  const std::wstring name = Unique(L"SysinfoViewTest");
  TestKey native(HKEY_LOCAL_MACHINE, L"SOFTWARE\\" + name, KEY_WOW64_64KEY);
  TestKey wow(HKEY_LOCAL_MACHINE, L"SOFTWARE\\" + name, KEY_WOW64_32KEY);
  ASSERT_TRUE(native.ok() && wow.ok());
  native.SetText(L"View", L"64-bit");
  wow.SetText(L"View", L"32-bit");

  WindowsRegistry keys;
  auto view = [&](RegistryView which) {
    const auto raw = keys.QueryValue(RegistryRoot::LocalMachine, "SOFTWARE\\" + WideToUtf8(name),
                                     "View", which);
    return raw.value ? RegistryValueText(ConvertQueriedValue(*raw.value)) : "missing";
  };
  EXPECT_EQ(view(RegistryView::Only64Bit), "64-bit");
  EXPECT_EQ(view(RegistryView::Only32Bit), "32-bit");
  EXPECT_EQ(RegistryValueText(keys.GetRegistryValue(RegistryRoot::LocalMachine,
                                                    "SOFTWARE\\Wow6432Node\\" + WideToUtf8(name),
                                                    "View", ""s, RegistryRule::Text64Bit)
                                  .value),
            "32-bit");
}

const std::wstring kUninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

Lines SoftwareBlock(const std::string& registryPath) {
  // clang-format off
  return {"Display Name: Sysinfo Test App", "Contact: ", "Display Version: 2.5",
          "Install Location: C:\\Program Files\\Sysinfo Test\\", "Install Date: 20240131",
          "No Modify: 1", "No Repair: ", "Publisher: Sysinfo Testers", "Quiet Uninstall String: ",
          "Uninstall String: \"C:\\Program Files\\Sysinfo Test\\uninstall.exe\"",
          "Registry Path: " + registryPath, std::string(SeparatorLine)};
  // clang-format on
}

TEST(SoftwareOnWine, ListsAnEntryOfBothViewsByItsExactNameAndSkipsABlankName) {
  // Product names hold slashes; a damaged one may not even be valid UTF-16 (a reversed pair).
  const std::wstring entry = Unique(L"Sysinfo/Test App \xDC00\xD800");
  const std::wstring blank = Unique(L"SysinfoBlankName");
  TestKey native(HKEY_LOCAL_MACHINE, kUninstall + L"\\" + entry, KEY_WOW64_64KEY);
  TestKey wow(HKEY_LOCAL_MACHINE, kUninstall + L"\\" + entry, KEY_WOW64_32KEY);
  TestKey nameless(HKEY_LOCAL_MACHINE, kUninstall + L"\\" + blank, KEY_WOW64_64KEY);
  ASSERT_TRUE(native.ok() && wow.ok() && nameless.ok());
  for (const TestKey* key : {&native, &wow}) {
    key->SetText(L"DisplayName", L"Sysinfo Test App");
    key->SetText(L"DisplayVersion", L"2.5");
    key->SetText(L"InstallLocation", L"C:\\Program Files\\Sysinfo Test\\");
    key->SetText(L"InstallDate", L"20240131");
    key->SetDword(L"NoModify", 1);
    key->SetText(L"Publisher", L"Sysinfo Testers");
    key->SetText(L"UninstallString", L"\"C:\\Program Files\\Sysinfo Test\\uninstall.exe\"",
                 REG_EXPAND_SZ);
  }
  nameless.SetText(L"DisplayName", L"  ");
  nameless.SetText(L"Publisher", L"Nobody");

  WindowsRegistry keys;
  CapturedReport report;
  CollectSoftware(report.writer(), keys, DetailLevel::Moderate);
  const Lines lines = report.Lines();

  const auto first = std::find(lines.begin(), lines.end(), "Display Name: Sysinfo Test App");
  ASSERT_GE(lines.end() - first, 24);
  const std::string tail = "Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + WideToUtf8(entry);
  Lines expected = SoftwareBlock("HKEY_LOCAL_MACHINE\\SOFTWARE\\" + tail);
  const Lines wowBlock = SoftwareBlock("HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\" + tail);
  expected.insert(expected.end(), wowBlock.begin(), wowBlock.end());
  EXPECT_EQ(Lines(first, first + 24), expected);
  // The file shows each lone surrogate as the code page's default character, as it did U+FFFD.
  EXPECT_EQ(Utf8ToAnsi(first[10]),
            "Registry Path: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\"
            "CurrentVersion\\Uninstall\\Sysinfo/Test App ??" +
                WideToUtf8(Unique(L"")));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Publisher: Nobody"), 0);
  EXPECT_EQ(lines.size() % 12, 0u);  // whole blocks only
}

}  // namespace
}  // namespace sysinfo
