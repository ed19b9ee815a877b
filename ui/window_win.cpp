// Window plumbing written once: class registration, UTF-8 window text and colour conversion.
#include "ui/window_win.h"

#include "base/unicode_win.h"

namespace sysinfo::ui {
namespace {

LRESULT CALLBACK ReleaseOnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR id, DWORD_PTR holder) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, ReleaseOnDestroy, id);
    reinterpret_cast<UniqueWindow*>(holder)->release();
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

bool RegisterWindowClass(const WindowClassArgs& args) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(instance, args.name, &windowClass)) return true;
  windowClass.lpfnWndProc = args.windowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = args.icon;
  windowClass.hIconSm = args.smallIcon;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = args.background;
  windowClass.lpszClassName = args.name;
  return RegisterClassExW(&windowClass) != 0;
}

void ReleaseWhenDestroyed(UniqueWindow& window) {
  SetWindowSubclass(window.get(), ReleaseOnDestroy, 0, reinterpret_cast<DWORD_PTR>(&window));
}

std::string WindowTextUtf8(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return WideToUtf8(text);
}

void SetWindowTextUtf8(HWND window, std::string_view text) {
  SetWindowTextW(window, Utf8ToWide(text).c_str());
}

COLORREF ToColorRef(OleColor color) {
  if (color & kSystemColor) return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color & 0xFFFFFF);
}

}  // namespace sysinfo::ui
