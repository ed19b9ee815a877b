// Window plumbing written once: class registration, the owner of a window, control subclassing,
// UTF-8 window text and colour conversion.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <string_view>
#include <type_traits>

#include "base/handles_win.h"
#include "ui/control_look.h"

namespace sysinfo::ui {

struct WindowClassArgs {
  const wchar_t* name = nullptr;
  WNDPROC windowProc = nullptr;
  HICON icon = nullptr;
  HICON smallIcon = nullptr;
  HBRUSH background = nullptr;
};

// The common controls and visual styles, from comctl32 (the side-by-side version 6 the manifest
// names) and uxtheme, which are loaded on first use instead of imported. Without them a control
// cannot be subclassed and keeps its theme; DefaultSubclassProc then passes a message to
// DefWindowProc.
bool InitCommonControls(DWORD classes);
bool SetSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data);
void RemoveSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id);
LRESULT DefaultSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void SetTheme(HWND window, const wchar_t* appName, const wchar_t* idList);

// The DPI functions of Windows 10 1607 and later, looked up when first used so that older systems,
// which lack them, still start the program and get the system's answers instead.
// The dots per inch `window` is shown at (the screen's when the system cannot tell).
int WindowDpi(HWND window);
// A system metric (a scroll bar's width, an icon's size) as it is at `dpi`.
int SystemMetricForDpi(int index, int dpi);
// The size of a window whose client area is `client` pixels, with its frame drawn at `dpi`.
SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD exStyle, int dpi);

// Registers a window class unless it already is, so a window made again reuses it.
bool RegisterWindowClass(const WindowClassArgs& args);

// Lets go of `window` when someone else destroys it (a tip window goes with the top-level window
// that owns it). The UniqueWindow must stay where it is while the window lives.
void ReleaseWhenDestroyed(UniqueWindow& window);

std::string WindowTextUtf8(HWND window);
void SetWindowTextUtf8(HWND window, std::string_view text);

// The colour an OLE colour stands for now (a system colour is looked up).
COLORREF ToColorRef(OleColor color);

template <class>
struct MemberOwner;
template <class Owner, class Result, class... Args>
struct MemberOwner<Result (Owner::*)(Args...)> {
  using type = Owner;
};

// The window procedure of a class whose windows each belong to one object: the object is the
// last argument of CreateWindowEx, `Window` is its UniqueWindow member (set as soon as the window
// exists, let go once it is destroyed, by whoever) and `Handler` answers the messages.
template <auto Window, auto Handler>
LRESULT CALLBACK OwnedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  using Owner = typename MemberOwner<decltype(Handler)>::type;
  if (message == WM_NCCREATE) {
    auto* owner = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    (owner->*Window).reset(window);
  }
  auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!owner) return DefWindowProcW(window, message, wParam, lParam);
  const LRESULT result = (owner->*Handler)(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    (owner->*Window).release();  // already gone: nothing left to destroy
  }
  return result;
}

// A control's messages go to `Handler` (a member of `owner`'s class, or a plain window procedure
// with no owner) before its own procedure, which DefaultSubclassProc reaches; the hook comes off
// when the control is destroyed.
template <auto Handler>
LRESULT CALLBACK SubclassedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                UINT_PTR id, DWORD_PTR owner) {
  if (message == WM_NCDESTROY) RemoveSubclass(window, SubclassedProc<Handler>, id);
  if constexpr (std::is_member_function_pointer_v<decltype(Handler)>) {
    using Owner = typename MemberOwner<decltype(Handler)>::type;
    return (reinterpret_cast<Owner*>(owner)->*Handler)(window, message, wParam, lParam);
  } else {
    return Handler(window, message, wParam, lParam);
  }
}

template <auto Handler>
bool SubclassControl(HWND control, const void* owner = nullptr) {
  const auto id = reinterpret_cast<UINT_PTR>(owner);
  return SetSubclass(control, SubclassedProc<Handler>, id, id);
}

template <auto Handler>
void UnsubclassControl(HWND control, const void* owner = nullptr) {
  RemoveSubclass(control, SubclassedProc<Handler>, reinterpret_cast<UINT_PTR>(owner));
}

}  // namespace sysinfo::ui
