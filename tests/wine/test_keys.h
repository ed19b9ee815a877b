// Registry keys and values a Wine test creates, changes and removes again.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/handles_win.h"

namespace sysinfo::testing {

// A registry key the test creates (with its parents) and removes again, with everything below
// it, when it goes out of scope.
class TestKey {
 public:
  TestKey(HKEY root, std::wstring path, REGSAM view = 0)
      : root_(root), path_(std::move(path)), view_(view) {
    RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr,
                    key_.put(), nullptr);
  }
  ~TestKey() {
    if (!key_) return;
    RegDeleteTreeW(key_.get(), nullptr);
    key_.reset();  // closed before the key itself is deleted
    RegDeleteKeyExW(root_, path_.c_str(), view_, 0);
  }

  bool ok() const { return static_cast<bool>(key_); }

  void Set(const std::wstring& name, DWORD type, const void* data, DWORD size) const {
    RegSetValueExW(key_.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  }
  // Text with its terminating NUL (REG_SZ, REG_EXPAND_SZ, or REG_MULTI_SZ given its own NULs).
  void SetText(const std::wstring& name, std::wstring_view text, DWORD type = REG_SZ) const {
    const std::wstring stored(text);
    Set(name, type, stored.c_str(), static_cast<DWORD>((stored.size() + 1) * sizeof(wchar_t)));
  }
  void SetDword(const std::wstring& name, DWORD value) const {
    Set(name, REG_DWORD, &value, sizeof value);
  }

 private:
  HKEY root_;
  std::wstring path_;
  REGSAM view_;
  UniqueKey key_;
};

// Writes one value into an existing key (which stays when the test ends).
inline void WriteText(HKEY root, const std::wstring& path, const std::wstring& name,
                      const std::wstring& text) {
  RegSetKeyValueW(root, path.c_str(), name.c_str(), REG_SZ, text.c_str(),
                  static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// Keeps a registry value's current state and puts it back at scope end (removes it when it
// did not exist).
class SavedValue {
 public:
  SavedValue(HKEY root, std::wstring path, std::wstring name)
      : root_(root), path_(std::move(path)), name_(std::move(name)), data_(1 << 16) {
    DWORD size = static_cast<DWORD>(data_.size());
    existed_ = RegGetValueW(root_, path_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type_,
                            data_.data(), &size) == ERROR_SUCCESS;
    data_.resize(size);
  }
  ~SavedValue() {
    if (!existed_) {
      RegDeleteKeyValueW(root_, path_.c_str(), name_.c_str());
    } else {
      RegSetKeyValueW(root_, path_.c_str(), name_.c_str(), type_, data_.data(),
                      static_cast<DWORD>(data_.size()));
    }
  }
  SavedValue(const SavedValue&) = delete;
  SavedValue& operator=(const SavedValue&) = delete;

 private:
  HKEY root_;
  std::wstring path_;
  std::wstring name_;
  std::vector<BYTE> data_;
  bool existed_ = false;
  DWORD type_ = 0;
};

}  // namespace sysinfo::testing
