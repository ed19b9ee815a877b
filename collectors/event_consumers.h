// Two more places things start from: WMI permanent event subscriptions (a filter bound to a
// consumer that runs a command or a script) and BITS jobs that run a program when they end.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "collectors/autostart.h"

namespace sysinfo {

// Whoever can write to a WMI namespace or queue a BITS job writes these texts: each is kept to
// this many bytes, and only so many bindings or jobs are read.
inline constexpr std::size_t kMaxConsumerText = 32 * 1024;
inline constexpr std::size_t kMaxConsumerCount = 10'000;

// The text cut to kMaxConsumerText bytes, between two characters.
std::string BoundedConsumerText(std::string text);

// One entry per binding, in the family "WMI", at "WMI <namespace>", named "filter -> consumer",
// its triggers the filter's query. A command-line consumer's command is its CommandLineTemplate,
// else its ExecutablePath; WMI hands ExecutablePath, when there is one, to CreateProcess as the
// module to run, so that path is the image, whatever the template names first. A script consumer
// runs its ScriptFileName, or an inline ScriptText that names no file. Other consumers (event log,
// log file, mail) run nothing.
std::vector<AutostartEntry> SubscriptionEntries(
    const std::vector<EventSubscription>& subscriptions);

// One entry per job, in the family "BITS", named by its display name and id: its program and
// parameters as one command, run as the job's owner. BITS runs the program by exactly the path it
// holds (no search, no variables expanded), so that path is the image.
std::vector<AutostartEntry> BitsEntries(const std::vector<BitsJob>& jobs);

}  // namespace sysinfo
