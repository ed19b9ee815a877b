#include "app/message_pump_win.h"

namespace sysinfo {
namespace {

constexpr ULONGLONG kYieldIntervalMs = 10;

HWND g_dialogWindow = nullptr;
ULONGLONG g_lastYield = 0;

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

void YieldToWindow() {
  const ULONGLONG now = GetTickCount64();
  if (now - g_lastYield < kYieldIntervalMs) return;
  g_lastYield = now;
  DispatchPendingMessages();
}

}  // namespace sysinfo
