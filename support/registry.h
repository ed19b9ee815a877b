// Registry roots, views and value types, the value conversions, and the keys interface.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "base/result.h"

namespace sysinfo {

// The predefined root keys, with the values of their Win32 handles.
enum class RegistryRoot : std::uint32_t {
  None = 0,
  ClassesRoot = 0x80000000,
  CurrentUser = 0x80000001,
  LocalMachine = 0x80000002,
  Users = 0x80000003,
  CurrentConfig = 0x80000005,
};

// Which registry view a key is opened in: the process's own, or one of the two explicitly
// (the 32-bit view of HKLM\SOFTWARE is what 64-bit programs see under Wow6432Node).
enum class RegistryView { Own, Only64Bit, Only32Bit };

// Registry value types the program converts.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegMultiSz = 7;

// A value as the registry hands it over: its type and its bytes (text is UTF-16LE).
struct RawRegistryValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

using NamedRegistryValue = std::pair<std::string, RawRegistryValue>;

// A value read for the report: none, text (UTF-8), a 32-bit integer, or bytes.
using RegistryValue =
    std::variant<std::monostate, std::string, std::int32_t, std::vector<std::uint8_t>>;

// The value as report text: an integer as its digits, bytes as upper-case hex pairs separated by
// one blank, no value as empty text.
std::string RegistryValueText(const RegistryValue& value);

// The registry as this program reads it. The Windows build opens real keys; tests use a fake.
// Paths are below the root, without a leading or trailing backslash.
class RegistryKeys {
 public:
  virtual ~RegistryKeys() = default;
  // Nothing when the key or the value is not there; the reason when either cannot be read.
  virtual Result<std::optional<RawRegistryValue>> QueryValue(RegistryRoot root,
                                                             std::string_view path,
                                                             std::string_view name,
                                                             RegistryView view) = 0;
  // Subkey names in enumeration order; the root itself when the path is empty. Empty when the
  // key is not there; the list ends at the first error, which it gives.
  virtual Result<std::vector<std::string>> SubkeyNames(RegistryRoot root, std::string_view path,
                                                       RegistryView view) = 0;
  // The key's values in enumeration order, each by its name ("" for the default value). Empty
  // when the key is not there; the list ends at the first error, which it gives.
  virtual Result<std::vector<NamedRegistryValue>> Values(RegistryRoot root, std::string_view path,
                                                         RegistryView view) = 0;
  // Environment variables (%NAME%) replaced by their values.
  virtual std::string ExpandEnvironment(std::string_view text) = 0;
};

// UTF-16LE bytes as UTF-8; an odd last byte is ignored, a lone surrogate becomes U+FFFD.
std::string Utf16BytesToUtf8(const std::uint8_t* data, std::size_t size);

// How a value is read for a single lookup (GetRegistryValue): text without
// its terminating NUL, expandable text expanded, multi-text with single NULs between the strings
// (nothing when its first string is empty), binary as bytes, REG_DWORD as an integer. Nothing
// for any other type, an empty text or a short integer, so the caller's default stands.
std::optional<RegistryValue> ConvertRegistryValue(const RawRegistryValue& raw, RegistryKeys& keys);

// How the Uninstall values are read: text unexpanded, binary as spaced hex text, either DWORD
// byte order read as a little-endian integer, any other type as empty text.
RegistryValue ConvertQueriedValue(const RawRegistryValue& raw);

// The root of a registry name ("HKEY_LOCAL_MACHINE", any letter case); None for anything else,
// abbreviations included.
RegistryRoot GetHKeyFromName(std::string_view name);

// Joins the non-empty pieces with one backslash, collapses runs of backslashes, then turns
// forward slashes into backslashes (so a doubled slash stays doubled).
std::string BuildKeyPath(std::string_view path, std::string_view first, std::string_view second);

// The key path without trailing backslashes: callers write "Key\" and mean the key itself.
std::string WithoutTrailingBackslashes(std::string_view path);

// A reader for one key: set hKey and KeyRoot (and Subkey when needed), then read. Reads the
// process's own registry view.
class RegistryRoutines {
 public:
  explicit RegistryRoutines(RegistryKeys& keys) : keys_(keys) {}

  RegistryRoot hKey = RegistryRoot::None;
  std::string KeyRoot;
  std::string Subkey;

  // The value of KeyRoot\Subkey converted by its type; the default when the key or value is
  // missing, cannot be read, or the type is not one the program reads.
  RegistryValue GetRegistryValue(std::string_view valueName, RegistryValue defaultValue = {}) const;
  // The same, with the reason when the key or value could not be read.
  Result<RegistryValue> ReadValue(std::string_view valueName,
                                  RegistryValue defaultValue = {}) const;
  // The subkey names of root\keyName (of the root itself when keyName is empty).
  std::vector<std::string> EnumRegistryKeys(RegistryRoot root, std::string_view keyName) const;
  // The same, with the reason when the list could not be read to its end.
  Result<std::vector<std::string>> ListKeys(RegistryRoot root, std::string_view keyName) const;

 private:
  std::string KeyPath() const;

  RegistryKeys& keys_;
};

// The subkey names of the key (64-bit view), in enumeration order. The key path is cleaned with
// BuildKeyPath in place; an unknown root name gives no names.
Result<std::vector<std::string>> EnumSubKeyNames(RegistryKeys& keys, std::string_view rootName,
                                                 std::string& keyPath);

// A value of keyPath\first\second (64-bit view) converted as ConvertQueriedValue does; the
// default text when it is missing, cannot be read (the reason given), or its text is empty or
// only blanks. keyPath\first is cleaned with BuildKeyPath; second, a subkey name as the registry
// lists it, is appended as it is.
Result<RegistryValue> ReadRegistryValue(RegistryKeys& keys, std::string_view first,
                                        std::string_view second, std::string_view valueName,
                                        std::string_view defaultText, RegistryRoot root,
                                        std::string_view keyPath);

}  // namespace sysinfo
