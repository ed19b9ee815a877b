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

TEST(RegistryConversion, UninstallValuesFallBackToTheDefault) {
  FakeRegistry keys;
  const std::string app = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App";
  keys.Set(RegistryRoot::LocalMachine, app, "Blanks", Text("   "));
  keys.Set(RegistryRoot::LocalMachine, app, "Padded", Text(" x "));
  keys.Set(RegistryRoot::LocalMachine, app, "NoModify", Dword(1));
  const std::vector<std::tuple<const char*, const char*>> cases = {
      {"Blanks", "default"}, {"Padded", " x "}, {"NoModify", "1"}, {"Missing", "default"}};
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(RegistryValueText(keys.GetRegistryValue(RegistryRoot::LocalMachine, app, value,
                                                      "default"s, RegistryRule::Text64Bit)
                                    .value),
              expected)
        << value;
  }
}

TEST(RegistryConversion, KeyPathsAndRootNames) {
  EXPECT_EQ(BuildKeyPath("SOFTWARE\\\\Vendor/App", "", "Sub"), "SOFTWARE\\Vendor\\App\\Sub");
  EXPECT_EQ(BuildKeyPath("A//B", "first", ""), "A\\\\B\\first") << "a doubled slash stays doubled";
  EXPECT_EQ(GetHKeyFromName("hkey_local_machine"), RegistryRoot::LocalMachine);
  EXPECT_EQ(GetHKeyFromName("HKLM"), RegistryRoot::None) << "no abbreviated root names";
}

// The key the hosts file's folder is read from is named with a trailing backslash; the user
// hives are the keys under HKEY_USERS; a key that cannot be read gives the default and why.
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
  keys.Deny(RegistryRoot::CurrentUser, "Locked");

  const auto value = [&keys](RegistryRoot root, const std::string& path, const char* name) {
    return keys.GetRegistryValue(root, path, name, "fallback"s);
  };
  EXPECT_EQ(
      RegistryValueText(value(RegistryRoot::LocalMachine, params + "\\", "DataBasePath").value),
      "C:\\Windows-With-A-Long-Name\\System32\\drivers\\etc");
  EXPECT_EQ(RegistryValueText(value(RegistryRoot::LocalMachine, params, "Missing").value),
            "fallback");
  EXPECT_EQ(RegistryValueText(value(RegistryRoot::LocalMachine, params, "Odd").value), "fallback");
  const Result<RegistryValue> locked = value(RegistryRoot::CurrentUser, "Locked", "Any");
  EXPECT_EQ(RegistryValueText(locked.value), "fallback");
  EXPECT_EQ(locked.error, Failure("Access is denied."));

  EXPECT_EQ(keys.EnumRegistryKeys(RegistryRoot::Users, "").value,
            (std::vector<std::string>{".DEFAULT", "S-1-5-19"}));
  EXPECT_EQ(keys.EnumRegistryKeys(RegistryRoot::LocalMachine, "SOFTWARE\\Vendor\\",
                                  RegistryView::Only64Bit)
                .value,
            (std::vector<std::string>{"Leaf", "Branch"}));
}

}  // namespace
}  // namespace sysinfo
