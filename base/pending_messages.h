// The hook through which long work lets the window process its pending messages.
#pragma once

namespace sysinfo {

// Lets the window process its pending messages during long work, so it keeps repainting and
// answers its Cancel and close buttons. The window installs its message pump; the console runner
// and the tests leave the default, which does nothing.
using PendingMessageProcessor = void (*)();
// Only the thread that installed the processor runs it: on another thread (one gathering a category
// side by side) ProcessPendingMessages does nothing.
void SetPendingMessageProcessor(PendingMessageProcessor processor);
void ProcessPendingMessages();

}  // namespace sysinfo
