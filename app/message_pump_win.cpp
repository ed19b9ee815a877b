// The window program's message pump: dialog keys, pending messages, the throttled processor.
#include "app/message_pump_win.h"

namespace sysinfo {
namespace {

constexpr ULONGLONG kProcessIntervalMs = 10;

HWND g_dialogWindow = nullptr;
ULONGLONG g_lastProcessed = 0;

bool IsDialogKey(MSG& message) {
  return g_dialogWindow && IsDialogMessageW(g_dialogWindow, &message);
}

}  // namespace

void SetDialogWindow(HWND window) { g_dialogWindow = window; }

void DispatchPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (!IsDialogKey(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

void ProcessMessagesNowAndThen() {
  const ULONGLONG now = GetTickCount64();
  if (now - g_lastProcessed < kProcessIntervalMs) return;
  g_lastProcessed = now;
  DispatchPendingMessages();
}

}  // namespace sysinfo
