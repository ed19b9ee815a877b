// WMI permanent event subscriptions and BITS notify commands, read from the real system.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "collectors/autostart.h"

namespace sysinfo {

// Every binding of the namespace (at most kMaxConsumerCount) with its filter and consumer, each
// text at most kMaxConsumerText bytes and each wait at most kWmiObjectWaitMs. A binding whose
// filter or consumer cannot be read keeps the object path in its place. Nothing when there is no
// such namespace.
Result<std::optional<std::vector<EventSubscription>>> ReadEventSubscriptions(
    std::string_view wmiNamespace);

// Every user's BITS jobs that name a program to run when they end (the caller's own when it may
// not see the others'), and the first reason a job or the list could not be read.
Result<std::optional<std::vector<BitsJob>>> ReadBitsJobs();

}  // namespace sysinfo
