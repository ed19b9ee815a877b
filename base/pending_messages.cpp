// The installed pending-message processor; none by default.
#include "base/pending_messages.h"

namespace sysinfo {
namespace {

void NothingPending() {}
PendingMessageProcessor g_processor = NothingPending;

}  // namespace

void SetPendingMessageProcessor(PendingMessageProcessor processor) {
  g_processor = processor ? processor : NothingPending;
}

void ProcessPendingMessages() { g_processor(); }

}  // namespace sysinfo
