// The installed pending-message processor; none by default.
#include "base/pending_messages.h"

#include <thread>

namespace sysinfo {
namespace {

void NothingPending() {}
PendingMessageProcessor g_processor = NothingPending;
std::thread::id g_windowThread;  // the thread that installed the processor

}  // namespace

void SetPendingMessageProcessor(PendingMessageProcessor processor) {
  g_processor = processor ? processor : NothingPending;
  g_windowThread = std::this_thread::get_id();
}

// A thread gathering a category side by side has no window: only the window's own thread pumps.
void ProcessPendingMessages() {
  if (std::this_thread::get_id() == g_windowThread) g_processor();
}

}  // namespace sysinfo
