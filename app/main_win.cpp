// The window program: no arguments, one window.
#include <windows.h>

#include "base/format.h"
#include "base/locale_win.h"
#include "app/main_window_win.h"
#include "app/message_pump_win.h"
#include "app/theme_support_win.h"
#include "base/pending_messages.h"
#include "collectors/wmi_win.h"

namespace sysinfo {
namespace {

int Run(HINSTANCE instance) {
  DispatchPendingMessages();
  InitCommonControlsOnce();
  ComApartment com;
  SetCurrentNumberFormat(UserNumberFormat());
  auto form = FrmMain::Create(instance);
  if (!form) return 1;
  SetDialogWindow(form->hwnd());
  SetPendingMessageProcessor(ProcessMessagesNowAndThen);
  ShowWindow(form->hwnd(), SW_SHOWNORMAL);
  UpdateWindow(form->hwnd());

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(form->hwnd(), &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  SetPendingMessageProcessor(nullptr);
  SetDialogWindow(nullptr);
  return 0;
}

}  // namespace
}  // namespace sysinfo

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return sysinfo::Run(instance); }
