// The real registry under Wine: value types, both views, hosts path, Software and Proxy Info.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "collectors/hosts_path_win.h"
#include "base/special_folders_win.h"
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
  key.SetText(L"MultiEmptyFirst", L"\0b\0"s, REG_MULTI_SZ);
  const BYTE binary[] = {0x0A, 0x1F, 0x00};
  key.Set(L"Binary", REG_BINARY, binary, sizeof binary);
  key.SetText(L"Long", std::wstring(3000, L'x'));  // 6,002 bytes: more than the first try's 4,096
  key.SetText(L"Blanks", L"   ");
  key.SetText(L"Gr\u00F6\u00DFe-\u03A9", L"\u0416\u0435\u043B\u0430\u043D\u0438\u0435");
  // A child with a wide name, whose values are enumerated past the first buffer too.
  TestKey child(HKEY_CURRENT_USER, path + L"\\\u03A9-Schl\u00FCssel");
  child.SetText(L"a", L"first");
  child.SetDword(L"b", 42);
  const std::vector<BYTE> big(5000, 0x7F);
  child.Set(L"c", REG_BINARY, big.data(), static_cast<DWORD>(big.size()));
  child.SetText(L"d", L"last");

  WindowsRegistry keys;
  RegistryRoutines registry(keys);
  registry.hKey = RegistryRoot::CurrentUser;
  registry.KeyRoot = WideToUtf8(path) + "\\";
  EXPECT_TRUE(registry.KeyExists());
  auto text = [&registry](const char* name) {
    return RegistryValueText(registry.GetRegistryValue(name, "default"s));
  };
  EXPECT_EQ(text("Dword"), "1");
  EXPECT_EQ(text("Expand"), EnvironmentVariable(L"SystemRoot") + "\\System32\\drivers\\etc");
  EXPECT_EQ(text("Multi"), "a\0b"s);
  EXPECT_EQ(text("MultiEmptyFirst"), "default");
  EXPECT_EQ(registry.GetRegistryValue("Binary"), RegistryValue(std::vector<std::uint8_t>{0x0A, 0x1F, 0x00}));
  EXPECT_EQ(text("Long"), std::string(3000, 'x'));
  EXPECT_EQ(text("Missing"), "default");
  EXPECT_EQ(text("Gr\xC3\xB6\xC3\x9F" "e-\xCE\xA9"), "\xD0\x96\xD0\xB5\xD0\xBB\xD0\xB0\xD0\xBD\xD0\xB8\xD0\xB5");
  const std::string childName = "\xCE\xA9-Schl\xC3\xBCssel";
  EXPECT_EQ(registry.EnumRegistryKeys(RegistryRoot::CurrentUser, WideToUtf8(path)), Lines{childName});
  EXPECT_EQ(registry.EnumRegistryValues(RegistryRoot::CurrentUser, WideToUtf8(path) + "\\" + childName),
            (std::vector<RegistryValue>{"first"s, std::int32_t{42}, std::vector<std::uint8_t>(5000, 0x7F), "last"s}));

  auto read = [&path, &keys](const char* name) {
    return RegistryValueText(ReadRegistryValue(keys, "", WideToUtf8(path), name, "default",
                                               RegistryRoot::CurrentUser, ""));
  };
  EXPECT_EQ(read("Dword"), "1");
  EXPECT_EQ(read("Expand"), "%SystemRoot%\\System32\\drivers\\etc");
  EXPECT_EQ(read("Binary"), "0A 1F 00");
  EXPECT_EQ(read("Long"), std::string(3000, 'x'));
  EXPECT_EQ(read("Blanks"), "default");
  EXPECT_EQ(read("Multi"), "default");

  registry.Subkey = "Absent";
  EXPECT_FALSE(registry.KeyExists());
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
    const auto raw = keys.QueryValue(RegistryRoot::LocalMachine, "SOFTWARE\\" + WideToUtf8(name), "View", which);
    return raw ? RegistryValueText(ConvertQueriedValue(*raw)) : "missing";
  };
  EXPECT_EQ(view(RegistryView::Only64Bit), "64-bit");
  EXPECT_EQ(view(RegistryView::Only32Bit), "32-bit");
  EXPECT_EQ(RegistryValueText(ReadRegistryValue(keys, "", WideToUtf8(name), "View", "", RegistryRoot::LocalMachine,
                                                "SOFTWARE\\Wow6432Node")),
            "32-bit");
}

// The hosts file's folder from the registry, expanded, or else the Windows folder's.
TEST(RegistryOnWine, HostsPathFromDataBasePathOrTheWindowsFolder) {
  const std::wstring tcpip = L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
  SavedValue saved(HKEY_LOCAL_MACHINE, tcpip, L"DataBasePath");
  const std::wstring stored = L"%SystemRoot%\\Sysinfo-Test-Folder-With-A-Long-Name\\etc";
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, tcpip.c_str(), L"DataBasePath", REG_EXPAND_SZ, stored.c_str(),
                  static_cast<DWORD>((stored.size() + 1) * sizeof(wchar_t)));
  EXPECT_EQ(FindHostsFilePath(),
            EnvironmentVariable(L"SystemRoot") + "\\Sysinfo-Test-Folder-With-A-Long-Name\\etc\\hosts");
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, tcpip.c_str(), L"DataBasePath");
  EXPECT_EQ(FindHostsFilePath(), GetSpecialFolder(kFolderWindows) + "\\System32\\drivers\\etc\\hosts");
}

const std::wstring kUninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

Lines SoftwareBlock(const std::string& registryPath) {
  return {"Display Name: Sysinfo Test App",
          "Contact: ",
          "Display Version: 2.5",
          "Install Location: C:\\Program Files\\Sysinfo Test\\",
          "Install Date: 20240131",
          "No Modify: 1",
          "No Repair: ",
          "Publisher: Sysinfo Testers",
          "Quiet Uninstall String: ",
          "Uninstall String: \"C:\\Program Files\\Sysinfo Test\\uninstall.exe\"",
          "Registry Path: " + registryPath,
          std::string(SeparatorLine)};
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
  CollectSoftware(report.writer(), keys, 2);
  const Lines lines = report.Lines();

  const auto first = std::find(lines.begin(), lines.end(), "Display Name: Sysinfo Test App");
  ASSERT_GE(lines.end() - first, 24);
  const std::string tail = "Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + WideToUtf8(entry);
  Lines expected = SoftwareBlock("HKEY_LOCAL_MACHINE\\SOFTWARE\\" + tail);
  const Lines wowBlock = SoftwareBlock("HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\" + tail);
  expected.insert(expected.end(), wowBlock.begin(), wowBlock.end());
  EXPECT_EQ(Lines(first, first + 24), expected);
  // The file shows each lone surrogate as the code page's default character, as it did U+FFFD.
  EXPECT_EQ(Utf8ToAnsi(first[10]), "Registry Path: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\"
                                   "CurrentVersion\\Uninstall\\Sysinfo/Test App ??" + WideToUtf8(Unique(L"")));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Publisher: Nobody"), 0);
  EXPECT_EQ(lines.size() % 12, 0u);  // whole blocks only
}

const std::wstring kSettings = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

Lines ProxyBlock(const std::string& header, const std::string& enable,
                                    const std::string& server) {
  return {header, "ProxyEnable = " + enable, "ProxyServer = " + server, "ProxyOverride = ",
          "AutoConfigURL = ", std::string(SeparatorLine)};
}

TEST(ProxyInfoOnWine, PrintsTheUserSettingAndTheLastUserHive) {
  SavedValue enable(HKEY_CURRENT_USER, kSettings, L"ProxyEnable");
  SavedValue server(HKEY_CURRENT_USER, kSettings, L"ProxyServer");
  WriteDword(HKEY_CURRENT_USER, kSettings, L"ProxyEnable", 1);
  WriteText(HKEY_CURRENT_USER, kSettings, L"ProxyServer", L"proxy.test:3128");

  // Two user hives: only the one enumerated last is printed.
  const std::wstring first = L"S-1-5-21-1111111111-2222222222-3333333333-9001";
  const std::wstring second = L"S-1-5-21-1111111111-2222222222-3333333333-9002";
  TestKey firstHive(HKEY_USERS, first);
  TestKey firstSettings(HKEY_USERS, first + L"\\" + kSettings);
  TestKey secondHive(HKEY_USERS, second);
  TestKey secondSettings(HKEY_USERS, second + L"\\" + kSettings);
  TestKey classesHive(HKEY_USERS, second + L"_Classes");
  ASSERT_TRUE(firstSettings.ok() && secondSettings.ok() && classesHive.ok());
  firstSettings.SetText(L"ProxyServer", L"first.user:8080");
  secondSettings.SetDword(L"ProxyEnable", 0);
  secondSettings.SetText(L"ProxyServer", L"second.user:8080");

  WindowsRegistry keys;
  CapturedReport report;
  CollectProxyInfo(report.writer(), keys);

  const std::string settings = WideToUtf8(kSettings);
  Lines expected;
  for (const auto& block :
       {ProxyBlock("[HKEY_CURRENT_USER\\" + settings + "]", "1", "proxy.test:3128"),
        ProxyBlock("[HKEY_LOCAL_MACHINE\\" + settings + "]", "", ""),
        ProxyBlock("[HKEY_USERS\\" + WideToUtf8(second) + "\\" + settings + "]", "0",
                   "second.user:8080")}) {
    expected.insert(expected.end(), block.begin(), block.end());
  }
  EXPECT_EQ(report.Lines(), expected);
}

TEST(ProxyInfoOnWine, WithoutAUserHiveTheHeaderHasTwoBackslashes) {
  // Wine's own user hive has a short name, so no hive qualifies.
  WindowsRegistry keys;
  CapturedReport report;
  CollectProxyInfo(report.writer(), keys);
  const Lines lines = report.Lines();
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(Lines(lines.begin() + 12, lines.end()),
            ProxyBlock("[HKEY_USERS\\\\" + WideToUtf8(kSettings) + "]", "", ""));
}

}  // namespace
}  // namespace sysinfo
