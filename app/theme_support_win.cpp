// Common controls 6 detection and registration, and the group-box paint fix under themes.
#include "app/theme_support_win.h"

#include <commctrl.h>
#include <shlwapi.h>

#include "ui/window_win.h"

namespace sysinfo {
namespace {

LRESULT RedirectFrame(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_MOUSELEAVE || message == WM_PRINTCLIENT) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return ui::DefaultSubclassProc(window, message, wParam, lParam);
}

}  // namespace

bool IsComCtl6Loaded() {
  HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  if (!comctl) return false;
  auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
      reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
  if (!getVersion) return false;
  DLLVERSIONINFO version{};
  version.cbSize = sizeof version;
  if (FAILED(getVersion(&version))) return false;
  return version.dwMajorVersion >= 6;
}

void InitCommonControlsOnce() {
  static bool done = false;
  if (done) return;
  done = true;
  ui::InitCommonControls(ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_USEREX_CLASSES);
}

bool FixThemeSupport(HWND frame) {
  if (IsComCtl6Loaded()) ui::SubclassControl<RedirectFrame>(frame);
  return true;
}

}  // namespace sysinfo
