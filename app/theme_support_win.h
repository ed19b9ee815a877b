// Common controls and visual styles: which version is loaded, and the group-box paint fix.
#pragma once

#include <windows.h>

namespace sysinfo {

// True when version 6 or later of the common controls is loaded (visual styles are possible).
bool IsComCtl6Loaded();

// Once per process: registers the common control classes the window uses.
void InitCommonControlsOnce();

// Under visual styles a group box paints its background over its neighbours; frames get a
// window procedure that leaves WM_MOUSELEAVE and WM_PRINTCLIENT to the default procedure.
bool FixThemeSupport(HWND frame);

}  // namespace sysinfo
