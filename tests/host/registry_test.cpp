// Registry value conversion, key paths and root names, over a fake registry.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "support/registry.h"
#include "tests/fakes/fake_registry.h"

namespace sysinfo {
namespace {

using testing::Dword;
using testing::FakeRegistry;
using testing::Text;
using namespace std::string_literals;

RawRegistryValue Bytes(std::uint32_t type, std::vector<std::uint8_t> data) {
  return {type, std::move(data)};
}

TEST(RegistryConversion, SingleLookupsConvertEachTypeOrKeepTheDefault) {
  // What, stored, and the value read (nothing: the caller's default stays).
  const std::vector<std::tuple<const char*, RawRegistryValue, std::optional<RegistryValue>>> cases =
      {
          {"text without its NUL", Text("abc"), "abc"s},
          {"text stored without a NUL keeps its last letter", Bytes(kRegSz, {'a', 0, 'b', 0}),
           "ab"s},
          {"empty data", Bytes(kRegSz, {}), std::nullopt},
          {"only the NUL", Text(""), ""s},
          {"text outside the ANSI range", Bytes(kRegSz, {0xA9, 0x03, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}),
           "\xCE\xA9\xF0\x9F\x98\x80"s},
          {"expandable text grows", Text("%SystemRoot%\\hosts", kRegExpandSz),
           "C:\\Windows-With-A-Long-Name\\hosts"s},
          {"multi-text keeps single NULs", Text("a\0b\0"s, kRegMultiSz), "a\0b"s},
          {"multi-text with an empty first string", Text("\0b\0"s, kRegMultiSz), std::nullopt},
          {"binary", Bytes(kRegBinary, {0x0A, 0x1F, 0x00}),
           std::vector<std::uint8_t>{0x0A, 0x1F, 0x00}},
          {"DWORD 1", Dword(1), std::int32_t{1}},
          {"DWORD above 2^31 is signed", Dword(0xFFFFFFFE), std::int32_t{-2}},
          {"DWORD of three bytes", Bytes(kRegDword, {1, 0, 0}), std::nullopt},
          {"big-endian DWORD", Bytes(kRegDwordBigEndian, {0, 0, 0, 1}), std::nullopt},
          {"QWORD", Bytes(11, {1, 0, 0, 0, 0, 0, 0, 0}), std::nullopt},
      };
  FakeRegistry keys;
  for (const auto& [what, raw, expected] : cases) {
    EXPECT_EQ(ConvertRegistryValue(raw, keys), expected) << what;
  }
}

TEST(RegistryConversion, UninstallReadsGiveText) {
  // clang-format off
  const std::vector<std::tuple<const char*, RawRegistryValue, std::string>> cases = {
      {"text", Text("Tool 1.0"), "Tool 1.0"},
      {"expandable text is not expanded", Text("%SystemRoot%\\a.exe", kRegExpandSz), "%SystemRoot%\\a.exe"},
      {"binary as spaced hex", Bytes(kRegBinary, {0x0A, 0x1F, 0x00}), "0A 1F 00"},
      {"empty binary", Bytes(kRegBinary, {}), ""}, {"DWORD", Dword(1), "1"},
      {"big-endian DWORD read unswapped", Bytes(kRegDwordBigEndian, {1, 0, 0, 0}), "1"},
      {"multi-text", Text("a\0b\0"s, kRegMultiSz), ""}, {"none", Bytes(0, {1, 2}), ""},
  };
  // clang-format on
  for (const auto& [what, raw, expected] : cases) {
    EXPECT_EQ(RegistryValueText(ConvertQueriedValue(raw)), expected) << what;
  }
}

TEST(RegistryConversion, ReadRegistryValueFallsBackToTheDefault) {
  FakeRegistry keys;
  const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  keys.Set(RegistryRoot::LocalMachine, uninstall + "\\App", "Blanks", Text("   "));
  keys.Set(RegistryRoot::LocalMachine, uninstall + "\\App", "Padded", Text(" x "));
  keys.Set(RegistryRoot::LocalMachine, uninstall + "\\App", "NoModify", Dword(1));
  // clang-format off
  const std::vector<std::tuple<std::string, const char*, const char*>> cases = {
      {uninstall, "Blanks", "default"}, {uninstall, "Padded", " x "}, {uninstall, "NoModify", "1"},
      {uninstall, "Missing", "default"},
      {"SOFTWARE/Microsoft//Windows\\CurrentVersion\\Uninstall\\", "NoModify", "default"},
      {"SOFTWARE/Microsoft/Windows/CurrentVersion/Uninstall", "NoModify", "1"},
      {"SOFTWARE\\\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\\", "NoModify", "1"},
  };
  // clang-format on
  for (const auto& [keyPath, value, expected] : cases) {
    EXPECT_EQ(RegistryValueText(ReadRegistryValue(keys, "", "App", value, "default",
                                                  RegistryRoot::LocalMachine, keyPath)
                                    .value),
              expected)
        << keyPath << " " << value;
  }
}

// The key the hosts file's folder is read from is named with a trailing backslash; the user
// hives are the keys under HKEY_USERS; the Uninstall entries are listed under a cleaned path.
TEST(RegistryRoutinesTest, ReadsAndListsKeys) {
  FakeRegistry keys;
  const std::string params = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
  keys.Set(RegistryRoot::LocalMachine, params, "DataBasePath",
           Text("%SystemRoot%\\System32\\drivers\\etc", kRegExpandSz));
  keys.Set(RegistryRoot::LocalMachine, params, "Odd", Bytes(11, {1, 2, 3, 4, 5, 6, 7, 8}));
  keys.AddKey(RegistryRoot::Users, ".DEFAULT");
  keys.AddKey(RegistryRoot::Users, "S-1-5-19");
  keys.AddKey(RegistryRoot::LocalMachine, "SOFTWARE\\Vendor\\Leaf");
  keys.AddKey(RegistryRoot::LocalMachine, "SOFTWARE\\Vendor\\Branch\\Twig");

  RegistryRoutines registry(keys);
  registry.hKey = RegistryRoot::LocalMachine;
  registry.KeyRoot = params + "\\";
  EXPECT_EQ(RegistryValueText(registry.GetRegistryValue("DataBasePath", ""s)),
            "C:\\Windows-With-A-Long-Name\\System32\\drivers\\etc");
  EXPECT_EQ(RegistryValueText(registry.GetRegistryValue("Missing", "fallback"s)), "fallback");
  EXPECT_EQ(RegistryValueText(registry.GetRegistryValue("Odd", "fallback"s)), "fallback");
  EXPECT_EQ(registry.EnumRegistryKeys(RegistryRoot::Users, ""),
            (std::vector<std::string>{".DEFAULT", "S-1-5-19"}));

  std::string path = "SOFTWARE\\\\Vendor/";
  EXPECT_EQ(EnumSubKeyNames(keys, "HKEY_LOCAL_MACHINE", path).value,
            (std::vector<std::string>{"Leaf", "Branch"}));
  EXPECT_EQ(path, "SOFTWARE\\Vendor\\");
  EXPECT_TRUE(EnumSubKeyNames(keys, "HKLM", path).value.empty()) << "no abbreviated root names";
}

}  // namespace
}  // namespace sysinfo
