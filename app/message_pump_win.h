// The window program's message pump before its window exists.
#pragma once

#include <windows.h>

namespace sysinfo {

// Dispatches what is waiting in the thread's queue and returns. A WM_QUIT is posted again for the
// main loop to see.
void DispatchPendingMessages();

}  // namespace sysinfo
