// The window program: no arguments, one window.
#include <windows.h>

#include "app/collectors_win.h"
#include "app/format.h"
#include "app/locale_win.h"
#include "app/main_window_win.h"
#include "app/theme_support_win.h"
#include "app/yield.h"
#include "collectors/wmi_win.h"

namespace sysinfo {
namespace {

HWND g_mainWindow = nullptr;

bool Translate(MSG& message) {
  return g_mainWindow && IsDialogMessageW(g_mainWindow, &message);
}

// The window's yield: handles whatever is waiting, then returns to the long work.
void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // for the main loop to see
      return;
    }
    if (!Translate(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

int Run(HINSTANCE instance) {
  PumpMessages();
  InitCommonControlsOnce();
  ComApartment com;
  SetCurrentNumberFormat(UserNumberFormat());
  std::unique_ptr<WmiService> wmi;
  auto form = FrmMain::Create(instance, [&wmi](const std::string& hostsPath) {
    wmi = MakeWmiService();
    return RealCollectors(*wmi, hostsPath);
  });
  if (!form) return 1;
  g_mainWindow = form->hwnd();
  SetYield(PumpMessages);
  ShowWindow(form->hwnd(), SW_SHOWNORMAL);
  UpdateWindow(form->hwnd());

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!Translate(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  SetYield(nullptr);
  g_mainWindow = nullptr;
  return 0;
}

}  // namespace
}  // namespace sysinfo

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return sysinfo::Run(instance); }
