// Window plumbing written once: class registration, UTF-8 window text and colour conversion.
#include "ui/window_win.h"

#include <uxtheme.h>

#include "base/system_library_win.h"
#include "base/unicode_win.h"

namespace sysinfo::ui {
namespace {

struct CommonControlsApi {
  SystemLibrary comctl32{L"comctl32.dll"};
  decltype(&InitCommonControlsEx) init = comctl32.Find("InitCommonControlsEx");
  decltype(&SetWindowSubclass) subclass = comctl32.Find("SetWindowSubclass");
  decltype(&RemoveWindowSubclass) unsubclass = comctl32.Find("RemoveWindowSubclass");
  decltype(&DefSubclassProc) next = comctl32.Find("DefSubclassProc");
  SystemLibrary uxtheme{L"uxtheme.dll"};
  decltype(&SetWindowTheme) setTheme = uxtheme.Find("SetWindowTheme");
};

const CommonControlsApi& CommonControls() {
  static const CommonControlsApi api;
  return api;
}

struct DpiApi {
  SystemLibrary user32{L"user32.dll"};
  UINT(WINAPI* dpiForWindow)(HWND) = user32.Find("GetDpiForWindow");
  int(WINAPI* metricForDpi)(int, UINT) = user32.Find("GetSystemMetricsForDpi");
  BOOL(WINAPI* adjustForDpi)
  (RECT*, DWORD, BOOL, DWORD, UINT) = user32.Find("AdjustWindowRectExForDpi");
};

const DpiApi& Dpi() {
  static const DpiApi api;
  return api;
}

LRESULT CALLBACK ReleaseOnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR id, DWORD_PTR holder) {
  if (message == WM_NCDESTROY) {
    RemoveSubclass(window, ReleaseOnDestroy, id);
    reinterpret_cast<UniqueWindow*>(holder)->release();
  }
  return DefaultSubclassProc(window, message, wParam, lParam);
}

}  // namespace

bool InitCommonControls(DWORD classes) {
  INITCOMMONCONTROLSEX controls{sizeof controls, classes};
  return CommonControls().init && CommonControls().init(&controls);
}

bool SetSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
  return CommonControls().subclass && CommonControls().subclass(window, procedure, id, data);
}

void RemoveSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id) {
  if (CommonControls().unsubclass) CommonControls().unsubclass(window, procedure, id);
}

LRESULT DefaultSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!CommonControls().next) return DefWindowProcW(window, message, wParam, lParam);
  return CommonControls().next(window, message, wParam, lParam);
}

void SetTheme(HWND window, const wchar_t* appName, const wchar_t* idList) {
  if (CommonControls().setTheme) CommonControls().setTheme(window, appName, idList);
}

int WindowDpi(HWND window) {
  if (Dpi().dpiForWindow) {
    if (const UINT dpi = Dpi().dpiForWindow(window)) return static_cast<int>(dpi);
  }
  return GetDeviceCaps(WindowDc(window).get(), LOGPIXELSY);
}

int SystemMetricForDpi(int index, int dpi) {
  if (Dpi().metricForDpi) return Dpi().metricForDpi(index, static_cast<UINT>(dpi));
  return GetSystemMetrics(index);
}

SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD exStyle, int dpi) {
  RECT frame{0, 0, client.cx, client.cy};
  if (!Dpi().adjustForDpi ||
      !Dpi().adjustForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  }
  return {frame.right - frame.left, frame.bottom - frame.top};
}

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
  SetSubclass(window.get(), ReleaseOnDestroy, 0, reinterpret_cast<DWORD_PTR>(&window));
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
