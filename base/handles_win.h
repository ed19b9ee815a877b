// Every Win32 handle the program holds, owned by one object: one template, a line per kind.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wincrypt.h>
#include <lm.h>

#include <utility>

namespace sysinfo {

// Owns one value of a handle type; `Close` releases it. The value-initialised T (a null handle,
// zero) means "nothing held".
template <class T, auto Close>
class UniqueResource {
 public:
  UniqueResource() = default;
  explicit UniqueResource(T value) : value_(value) {}
  ~UniqueResource() { reset(); }
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  T get() const { return value_; }
  explicit operator bool() const { return value_ != T{}; }
  // For functions that hand a new handle back through a pointer: whatever was held goes first.
  T* put() {
    reset();
    return &value_;
  }
  T release() { return std::exchange(value_, T{}); }
  void reset(T value = T{}) {
    if (value_ != T{}) Close(value_);
    value_ = value;
  }

 private:
  T value_{};
};

inline constexpr auto kReleaseProvider = [](HCRYPTPROV provider) {
  CryptReleaseContext(provider, 0);
};

using UniqueHandle = UniqueResource<HANDLE, CloseHandle>;
using UniqueFind = UniqueResource<HANDLE, FindClose>;
using UniqueKey = UniqueResource<HKEY, RegCloseKey>;
using UniqueFont = UniqueResource<HFONT, DeleteObject>;
using UniqueBrush = UniqueResource<HBRUSH, DeleteObject>;
using UniqueBitmap = UniqueResource<HBITMAP, DeleteObject>;
using UniqueDc = UniqueResource<HDC, DeleteDC>;  // a memory device context
using UniqueWindow = UniqueResource<HWND, DestroyWindow>;
using UniqueBstr = UniqueResource<BSTR, SysFreeString>;
using UniqueCryptProvider = UniqueResource<HCRYPTPROV, kReleaseProvider>;
using UniqueCryptHash = UniqueResource<HCRYPTHASH, CryptDestroyHash>;
using UniqueGlobal = UniqueResource<HGLOBAL, GlobalFree>;
using UniqueEventSource = UniqueResource<HANDLE, DeregisterEventSource>;
using UniqueNetBuffer = UniqueResource<LPVOID, NetApiBufferFree>;  // what a Net* call allocated
// Memory the platform hands over for CoTaskMemFree, such as a shell item list.
template <class T>
using UniqueTaskMemory = UniqueResource<T*, CoTaskMemFree>;

// CreateFile and FindFirstFile answer INVALID_HANDLE_VALUE, not null, when they fail.
inline UniqueHandle AdoptHandle(HANDLE handle) {
  return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}
inline UniqueFind AdoptFind(HANDLE search) {
  return UniqueFind(search == INVALID_HANDLE_VALUE ? nullptr : search);
}

// A VARIANT cleared when it goes out of scope (a structure, not a handle value).
class UniqueVariant {
 public:
  UniqueVariant() { VariantInit(&value_); }
  ~UniqueVariant() { VariantClear(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;

  VARIANT* get() { return &value_; }
  // For functions that fill a VARIANT in: whatever was held goes first.
  VARIANT* put() {
    VariantClear(&value_);
    return &value_;
  }
  const VARIANT& operator*() const { return value_; }

 private:
  VARIANT value_;
};

// A window's device context (the screen's for a null window), released when done.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a device context and puts the previous one back when done.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A global memory block locked while in scope (nothing locked for a null block).
class GlobalLocked {
 public:
  explicit GlobalLocked(HGLOBAL block)
      : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
  ~GlobalLocked() {
    if (data_) GlobalUnlock(block_);
  }
  GlobalLocked(const GlobalLocked&) = delete;
  GlobalLocked& operator=(const GlobalLocked&) = delete;

  void* get() const { return data_; }

 private:
  HGLOBAL block_;
  void* data_;
};

}  // namespace sysinfo
