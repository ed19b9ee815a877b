// WMI subscriptions and BITS jobs as autostart entries: what each runs and by which rule its
// file is found.
#include "collectors/event_consumers.h"

#include <string_view>

#include "base/text.h"
#include "collectors/autostart_command.h"

namespace sysinfo {
namespace {

constexpr std::string_view kEnabled = "Enabled";

void SetCommand(AutostartEntry& entry, const EventSubscription& subscription) {
  if (!subscription.executablePath.empty() || !subscription.commandLine.empty()) {
    entry.command = subscription.commandLine.empty() ? subscription.executablePath
                                                     : subscription.commandLine;
    if (!subscription.executablePath.empty()) {
      entry.rule = ImageRule::Given;
      entry.image = subscription.executablePath;
    }
  } else if (!subscription.scriptFile.empty()) {
    entry.command = subscription.scriptFile;
    entry.rule = ImageRule::Given;
    entry.image = subscription.scriptFile;
  } else if (!subscription.scriptText.empty()) {
    entry.command = subscription.scriptText;
    entry.rule = ImageRule::NoFile;
    entry.noFile = "inline script";
  } else {
    entry.rule = ImageRule::NoFile;
    entry.noFile = subscription.consumerClass.empty() ? "consumer not read" : "runs no program";
  }
}

}  // namespace

std::string BoundedConsumerText(std::string text) {
  if (text.size() > kMaxConsumerText) {
    text.resize(kMaxConsumerText);
    text.resize(kMaxConsumerText - UnfinishedUtf8Character(text));
  }
  return text;
}

std::vector<AutostartEntry> SubscriptionEntries(
    const std::vector<EventSubscription>& subscriptions) {
  std::vector<AutostartEntry> entries;
  for (const EventSubscription& subscription : subscriptions) {
    AutostartEntry& entry = entries.emplace_back();
    entry.family = "WMI";
    entry.location = "WMI " + subscription.wmiNamespace;
    entry.name = subscription.filter + " -> " + subscription.consumer;
    entry.state = kEnabled;
    entry.triggers = subscription.query;
    SetCommand(entry, subscription);
  }
  return entries;
}

std::vector<AutostartEntry> BitsEntries(const std::vector<BitsJob>& jobs) {
  std::vector<AutostartEntry> entries;
  for (const BitsJob& job : jobs) {
    AutostartEntry& entry = entries.emplace_back();
    entry.family = "BITS";
    entry.location = "BITS";
    entry.name = job.name.empty() ? job.id : job.name + " " + job.id;
    entry.command = CommandLineOf(job.notifyProgram, job.notifyParameters);
    entry.state = kEnabled;
    entry.rule = ImageRule::Given;
    entry.image = job.notifyProgram;
    entry.user = job.owner;
  }
  return entries;
}

}  // namespace sysinfo
