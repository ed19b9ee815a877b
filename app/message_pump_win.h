// The window program's message pump, and the processor it installs while a scan runs.
#pragma once

#include <windows.h>

namespace sysinfo {

// The window whose dialog keys (Tab, arrows, Enter) the pump routes through IsDialogMessage.
void SetDialogWindow(HWND window);

// Dispatches what is waiting in the thread's queue and returns; the window program's message
// loop, and what it does for long work now and then. A WM_QUIT is posted again for the main loop to
// see.
void DispatchPendingMessages();

// What the window installs as its pending-message processor while it scans: the queue is emptied at
// most once per interval, so a scan writing a line in a microsecond does not spend its time asking
// an empty queue, while the window still repaints and answers well within a screen refresh.
void ProcessMessagesNowAndThen();

}  // namespace sysinfo
