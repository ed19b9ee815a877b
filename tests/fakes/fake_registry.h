// An in-memory registry for tests, and the stored forms of text and DWORD values.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/text.h"
#include "support/registry.h"

namespace sysinfo::testing {

// Text as the registry stores it: UTF-16LE with its terminating NUL (ASCII test text only).
inline RawRegistryValue Text(std::string_view text, std::uint32_t type = kRegSz) {
  RawRegistryValue raw{type, {}};
  raw.data.reserve(2 * text.size() + 2);
  for (char c : text) {
    raw.data.push_back(static_cast<std::uint8_t>(c));
    raw.data.push_back(0);
  }
  raw.data.push_back(0);
  raw.data.push_back(0);
  return raw;
}

inline RawRegistryValue Dword(std::uint32_t value) {
  return {kRegDword,
          {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
           static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}};
}

// An in-memory registry. Paths match exactly as written (letter case ignored, as the registry
// does) but are not normalised, so a caller that opens "Key\\" instead of "Key" finds nothing,
// as it would on Windows. Subkeys enumerate in the order they were added. Views are not told
// apart: callers reach the 32-bit programs' keys under Wow6432Node, as the Software section does.
class FakeRegistry final : public RegistryRoutines {
 public:
  // Adds the key (and its parents) and sets a value in it.
  void Set(RegistryRoot root, std::string_view path, std::string_view name,
           RawRegistryValue value) {
    AddKey(root, path);
    keys_[Id(root, path)].values.emplace_back(std::string(name), std::move(value));
  }

  void AddKey(RegistryRoot root, std::string_view path) {
    if (keys_.count(Id(root, path))) return;
    keys_[Id(root, path)];
    const auto slash = path.rfind('\\');
    const std::string_view parent = slash == std::string_view::npos ? "" : path.substr(0, slash);
    const std::string_view child = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (!parent.empty()) AddKey(root, parent);
    keys_[Id(root, parent)].subkeys.emplace_back(child);
  }

  // Reads of the key fail as the platform fails them for a key the user may not read.
  void Deny(RegistryRoot root, std::string_view path) { keys_[Id(root, path)].denied = true; }

  Result<std::optional<RawRegistryValue>> QueryValue(RegistryRoot root, std::string_view path,
                                                     std::string_view name, RegistryView) override {
    const auto key = keys_.find(Id(root, path));
    if (key == keys_.end()) return {};
    if (key->second.denied) return {std::nullopt, Failure(kDenied)};
    for (const auto& [valueName, value] : key->second.values) {
      if (EqualsIgnoreCase(valueName, name)) return {value, {}};
    }
    return {};
  }

  Result<std::vector<std::string>> SubkeyNames(RegistryRoot root, std::string_view path,
                                               RegistryView) override {
    const auto key = keys_.find(Id(root, path));
    if (key == keys_.end()) return {};
    if (key->second.denied) return {{}, Failure(kDenied)};
    return {key->second.subkeys, {}};
  }

  Result<std::vector<NamedRegistryValue>> Values(RegistryRoot root, std::string_view path,
                                                 RegistryView) override {
    const auto key = keys_.find(Id(root, path));
    if (key == keys_.end()) return {};
    if (key->second.denied) return {{}, Failure(kDenied)};
    return {key->second.values, {}};
  }

  // %SystemRoot% only, as a longer text than the variable's name.
  std::string ExpandEnvironment(std::string_view text) override {
    std::string expanded(text);
    const std::string variable = "%SystemRoot%";
    for (auto at = expanded.find(variable); at != std::string::npos; at = expanded.find(variable)) {
      expanded.replace(at, variable.size(), "C:\\Windows-With-A-Long-Name");
    }
    return expanded;
  }

 private:
  static constexpr const char* kDenied = "Access is denied.";
  struct Key {
    std::vector<std::string> subkeys;
    std::vector<NamedRegistryValue> values;
    bool denied = false;
  };

  static std::pair<RegistryRoot, std::string> Id(RegistryRoot root, std::string_view path) {
    std::string lower(path);
    for (char& c : lower) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return {root, lower};
  }

  std::map<std::pair<RegistryRoot, std::string>, Key> keys_;
};

}  // namespace sysinfo::testing
