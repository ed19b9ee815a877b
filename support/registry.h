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

// The two ways a single value is read for the report: in which view, and how it is converted.
enum class RegistryRule {
  Typed,  // the process's own view, converted by ConvertRegistryValue
  // The 64-bit view, converted by ConvertQueriedValue; text that is empty or only blanks counts
  // as no value.
  Text64Bit,
};

// The registry as this program reads it. The Windows build opens real keys; tests use a fake.
// Paths are below the root, without a leading or trailing backslash.
class RegistryRoutines {
 public:
  virtual ~RegistryRoutines() = default;
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

  // The value root\path\name read as `rule` says; `fallback` when the key or the value is not
  // there or cannot be read (with the reason), or the rule makes no value of it. Callers name a
  // key "Key\" and mean the key itself: trailing backslashes are left off; nothing else of the
  // path is changed, as a key's name may hold "/".
  Result<RegistryValue> GetRegistryValue(RegistryRoot root, std::string_view path,
                                         std::string_view name, RegistryValue fallback = {},
                                         RegistryRule rule = RegistryRule::Typed);
  // The subkey names of root\path (of the root itself when the path is empty) in the view, in
  // enumeration order, trailing backslashes of the path left off. The list ends at the first
  // error, which it gives.
  Result<std::vector<std::string>> EnumRegistryKeys(RegistryRoot root, std::string_view path,
                                                    RegistryView view = RegistryView::Own);
};

// UTF-16LE bytes as UTF-8; an odd last byte is ignored, a lone surrogate becomes U+FFFD.
std::string Utf16BytesToUtf8(const std::uint8_t* data, std::size_t size);

// How RegistryRule::Typed reads a value: text without its terminating NUL, expandable text
// expanded, multi-text with single NULs between the strings (nothing when its first string is
// empty), binary as bytes, REG_DWORD as an integer. Nothing for any other type, an empty text or
// a short integer, so the caller's default stands.
std::optional<RegistryValue> ConvertRegistryValue(const RawRegistryValue& raw,
                                                  RegistryRoutines& keys);

// How RegistryRule::Text64Bit reads a value (the Uninstall entries' values): text unexpanded,
// binary as spaced hex text, either DWORD byte order read as a little-endian integer, any other
// type as empty text.
RegistryValue ConvertQueriedValue(const RawRegistryValue& raw);

// The root of a registry name ("HKEY_LOCAL_MACHINE", any letter case); None for anything else,
// abbreviations included.
RegistryRoot GetHKeyFromName(std::string_view name);

// Joins the non-empty pieces with one backslash, collapses runs of backslashes, then turns
// forward slashes into backslashes (so a doubled slash stays doubled).
std::string BuildKeyPath(std::string_view path, std::string_view first, std::string_view second);

}  // namespace sysinfo
