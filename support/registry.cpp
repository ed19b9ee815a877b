// Registry values converted from type and bytes, key paths, root names; the reads for the report.
#include "support/registry.h"

#include <array>

#include "base/text.h"
#include "base/wtf8.h"

namespace sysinfo {
namespace {

std::size_t Utf16Units(const RawRegistryValue& raw) { return raw.data.size() / 2; }

char16_t UnitAt(const RawRegistryValue& raw, std::size_t index) {
  return static_cast<char16_t>(raw.data[2 * index] | (raw.data[2 * index + 1] << 8));
}

// The first `units` UTF-16 units of the data as UTF-8.
std::string TextOfUnits(const RawRegistryValue& raw, std::size_t units) {
  return Utf16BytesToUtf8(raw.data.data(), units * 2);
}

// The stored text without its terminating NUL. A value stored without one keeps its last
// character (the registry does not promise the terminator).
std::string StoredText(const RawRegistryValue& raw) {
  std::size_t units = Utf16Units(raw);
  if (units > 0 && UnitAt(raw, units - 1) == u'\0') --units;
  return TextOfUnits(raw, units);
}

// The strings of a multi-text separated by single NULs: the closing pair of NULs is dropped.
std::string MultiText(const RawRegistryValue& raw) {
  std::size_t units = Utf16Units(raw);
  for (int closing = 0; closing < 2 && units > 0 && UnitAt(raw, units - 1) == u'\0'; ++closing) {
    --units;
  }
  return TextOfUnits(raw, units);
}

std::optional<std::int32_t> LittleEndianInt32(const RawRegistryValue& raw) {
  if (raw.data.size() < 4) return std::nullopt;
  const std::uint32_t bits = raw.data[0] | (raw.data[1] << 8) | (raw.data[2] << 16) |
                             (static_cast<std::uint32_t>(raw.data[3]) << 24);
  return static_cast<std::int32_t>(bits);
}

std::string SpacedHex(const std::vector<std::uint8_t>& bytes) {
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t byte : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

// A value as RegistryRule::Text64Bit reads it: nothing when its text is empty or only blanks.
std::optional<RegistryValue> TextValue(const RawRegistryValue& raw) {
  RegistryValue value = ConvertQueriedValue(raw);
  if (Trim(RegistryValueText(value)).empty()) return std::nullopt;
  return value;
}

// Callers write "Key\" and mean the key itself.
std::string WithoutTrailingBackslashes(std::string_view path) {
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return std::string(path);
}

struct RootName {
  std::string_view name;
  RegistryRoot root;
};

constexpr std::array<RootName, 5> kRootNames{{
    {"HKEY_CLASSES_ROOT", RegistryRoot::ClassesRoot},
    {"HKEY_CURRENT_USER", RegistryRoot::CurrentUser},
    {"HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine},
    {"HKEY_USERS", RegistryRoot::Users},
    {"HKEY_CURRENT_CONFIG", RegistryRoot::CurrentConfig},
}};

}  // namespace

std::string RegistryValueText(const RegistryValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_string(*number);
  if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&value)) return SpacedHex(*bytes);
  return {};
}

std::string Utf16BytesToUtf8(const std::uint8_t* data, std::size_t size) {
  std::string out;
  out.reserve(size / 2);
  const std::size_t units = size / 2;
  auto unit = [data](std::size_t i) -> char32_t { return data[2 * i] | (data[2 * i + 1] << 8); };
  for (std::size_t i = 0; i < units; ++i) {
    const char32_t first = unit(i);
    if (first >= 0xD800 && first <= 0xDBFF && i + 1 < units) {
      const char32_t second = unit(i + 1);
      if (second >= 0xDC00 && second <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, (first >= 0xD800 && first <= 0xDFFF) ? char32_t{0xFFFD} : first);
  }
  return out;
}

std::optional<RegistryValue> ConvertRegistryValue(const RawRegistryValue& raw,
                                                  RegistryRoutines& keys) {
  switch (raw.type) {
    case kRegSz:
      if (raw.data.empty()) return std::nullopt;
      return StoredText(raw);
    case kRegExpandSz:
      if (raw.data.empty()) return std::nullopt;
      return keys.ExpandEnvironment(StoredText(raw));
    case kRegBinary: return raw.data;
    case kRegDword:
      if (auto number = LittleEndianInt32(raw)) return *number;
      return std::nullopt;
    case kRegMultiSz: {
      std::string text = MultiText(raw);
      if (CutAtNull(text).empty()) return std::nullopt;
      return text;
    }
    default: return std::nullopt;
  }
}

RegistryValue ConvertQueriedValue(const RawRegistryValue& raw) {
  switch (raw.type) {
    case kRegSz:
    case kRegExpandSz: return StoredText(raw);
    case kRegBinary: return SpacedHex(raw.data);
    case kRegDword:
    case kRegDwordBigEndian:
      // Big-endian DWORDs are read like the others, without swapping the bytes.
      if (auto number = LittleEndianInt32(raw)) return *number;
      return std::string();
    default: return std::string();
  }
}

RegistryRoot GetHKeyFromName(std::string_view name) {
  for (const RootName& entry : kRootNames) {
    if (EqualsIgnoreCase(entry.name, name)) return entry.root;
  }
  return RegistryRoot::None;
}

std::string BuildKeyPath(std::string_view path, std::string_view first, std::string_view second) {
  std::string joined(path);
  for (std::string_view part : {first, second}) {
    if (part.empty()) continue;
    if (!joined.empty()) joined += '\\';
    joined += part;
  }
  std::string collapsed;
  collapsed.reserve(joined.size());
  for (char c : joined) {
    if (c == '\\' && !collapsed.empty() && collapsed.back() == '\\') continue;
    collapsed += c;
  }
  for (char& c : collapsed) {
    if (c == '/') c = '\\';
  }
  return collapsed;
}

Result<RegistryValue> RegistryRoutines::GetRegistryValue(RegistryRoot root, std::string_view path,
                                                         std::string_view name,
                                                         RegistryValue fallback,
                                                         RegistryRule rule) {
  const bool typed = rule == RegistryRule::Typed;
  auto raw = QueryValue(root, WithoutTrailingBackslashes(path), name,
                        typed ? RegistryView::Own : RegistryView::Only64Bit);
  std::optional<RegistryValue> value;
  if (raw.value) value = typed ? ConvertRegistryValue(*raw.value, *this) : TextValue(*raw.value);
  return {value ? std::move(*value) : std::move(fallback), std::move(raw.error)};
}

Result<std::vector<std::string>> RegistryRoutines::EnumRegistryKeys(RegistryRoot root,
                                                                    std::string_view path,
                                                                    RegistryView view) {
  return SubkeyNames(root, WithoutTrailingBackslashes(path), view);
}

}  // namespace sysinfo
