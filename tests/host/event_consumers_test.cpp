// WMI subscriptions and BITS jobs as autostart entries: what each runs, which file that is, and
// texts written by whoever could write to WMI or queue a job.
#include <gtest/gtest.h>

#include "collectors/event_consumers.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using namespace testing;
using namespace std::string_literals;

const std::string kQuery = "SELECT * FROM __InstanceModificationEvent WITHIN 60";

struct Expected {
  std::string name;
  std::string command;
  ImageRule rule;
  std::string image;
  std::string noFile;
};

EventSubscription Binding(std::string consumerClass, std::string consumer) {
  EventSubscription binding;
  binding.wmiNamespace = "root\\subscription";
  binding.filter = "Uptime";
  binding.query = kQuery;
  binding.consumerClass = std::move(consumerClass);
  binding.consumer = std::move(consumer);
  return binding;
}

TEST(EventConsumers, EachConsumerRunsItsCommandOrScriptOrNothing) {
  EventSubscription both = Binding("CommandLineEventConsumer", "Updater");
  both.executablePath = "C:\\Users\\Public\\svc.exe";  // what WMI runs, whatever the template says
  both.commandLine = "C:\\Windows\\notepad.exe /q";
  EventSubscription templateOnly = Binding("CommandLineEventConsumer", "Cmd");
  templateOnly.commandLine = "cmd.exe /c C:\\Scripts\\a.bat";
  EventSubscription pathOnly = Binding("CommandLineEventConsumer", "Path");
  pathOnly.executablePath = "C:\\Tools\\tray.exe";
  EventSubscription scriptFile = Binding("ActiveScriptEventConsumer", "Vbs");
  scriptFile.scriptFile = "C:\\Scripts\\job.vbs";
  EventSubscription inlineScript = Binding("ActiveScriptEventConsumer", "Inline");
  inlineScript.scriptText = "CreateObject(\"WScript.Shell\").Run \"calc\"";
  const EventSubscription eventLog = Binding("NTEventLogEventConsumer", "SCM Event Log Consumer");
  const EventSubscription unread = Binding("", "CommandLineEventConsumer.Name=\"Gone\"");

  const std::vector<std::pair<EventSubscription, Expected>> cases{
      {both, {"Uptime -> Updater", both.commandLine, ImageRule::Given, both.executablePath, ""}},
      {templateOnly, {"Uptime -> Cmd", templateOnly.commandLine, ImageRule::CommandLine, "", ""}},
      {pathOnly,
       {"Uptime -> Path", "C:\\Tools\\tray.exe", ImageRule::Given, "C:\\Tools\\tray.exe", ""}},
      {scriptFile,
       {"Uptime -> Vbs", scriptFile.scriptFile, ImageRule::Given, scriptFile.scriptFile, ""}},
      {inlineScript,
       {"Uptime -> Inline", inlineScript.scriptText, ImageRule::NoFile, "", "inline script"}},
      {eventLog,
       {"Uptime -> SCM Event Log Consumer", "", ImageRule::NoFile, "", "runs no program"}},
      {unread, {"Uptime -> " + unread.consumer, "", ImageRule::NoFile, "", "consumer not read"}},
  };
  for (const auto& [subscription, expected] : cases) {
    const std::vector<AutostartEntry> entries = SubscriptionEntries({subscription});
    ASSERT_EQ(entries.size(), 1u);
    const AutostartEntry& entry = entries.front();
    SCOPED_TRACE(expected.name);
    EXPECT_EQ(entry.family, "WMI");
    EXPECT_EQ(entry.location, "WMI root\\subscription");
    EXPECT_EQ(entry.name, expected.name);
    EXPECT_EQ(entry.command, expected.command);
    EXPECT_EQ(entry.state, "Enabled");
    EXPECT_EQ(entry.triggers, kQuery);
    EXPECT_EQ(entry.rule, expected.rule);
    EXPECT_EQ(entry.image, expected.image);
    EXPECT_EQ(entry.noFile, expected.noFile);
  }
}

TEST(EventConsumers, ABitsJobRunsItsProgramAsItsOwner) {
  const std::string id = "{6E7A2B1C-0000-4000-8000-000000000001}";
  const std::string program = "C:\\Program Files\\Vendor\\notify.exe";
  const std::vector<std::pair<BitsJob, Expected>> cases{
      {{"Update", id, "S-1-5-21-1-2-3-1001", program, "notify.exe /done"},
       {"Update " + id, "\"" + program + "\" notify.exe /done", ImageRule::Given, program, ""}},
      {{"", id, "S-1-5-18", "C:\\t.exe", ""}, {id, "C:\\t.exe", ImageRule::Given, "C:\\t.exe", ""}},
  };
  for (const auto& [job, expected] : cases) {
    const std::vector<AutostartEntry> entries = BitsEntries({job});
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].family, "BITS");
    EXPECT_EQ(entries[0].location, "BITS");
    EXPECT_EQ(entries[0].name, expected.name);
    EXPECT_EQ(entries[0].command, expected.command);
    EXPECT_EQ(entries[0].rule, expected.rule);
    EXPECT_EQ(entries[0].image, expected.image);
    EXPECT_EQ(entries[0].user, job.owner);
  }
}

// A name, query or script may hold line ends and NULs meant to forge report lines: each value
// stays on its own line, its control characters shown as markers.
TEST(EventConsumers, HostileTextsStayOnTheirLine) {
  EventSubscription hostile = Binding("ActiveScriptEventConsumer", "c\0d"s);
  hostile.filter = "f\r\nLocation: forged";
  hostile.query = "SELECT\n*";
  hostile.scriptText = "a\rb\0c"s;
  const AutostartEntry entry = SubscriptionEntries({hostile}).front();
  CapturedReport report;
  report.writer().WriteField("Name: ", entry.name, "Name", entry.name);
  report.writer().WriteField("Command: ", entry.command, "Command", entry.command);
  report.writer().WriteField("Triggers: ", entry.triggers, "Triggers", entry.triggers);
  EXPECT_EQ(report.Lines(), (std::vector<std::string>{
                                "Name: f<U+000D><U+000A>Location: forged -> c<U+0000>d",
                                "Command: a<U+000D>b<U+0000>c", "Triggers: SELECT<U+000A>*"}));
}

TEST(EventConsumers, LongTextsAreCutBetweenCharacters) {
  const std::string full(kMaxConsumerText, 'a');
  const struct {
    std::string text;
    std::size_t kept;
  } cases[] = {
      {"short", 5},
      {full, kMaxConsumerText},
      {full + "b", kMaxConsumerText},
      {full.substr(1) + "\xC3\xA9", kMaxConsumerText - 1},  // "é" would be cut in two
  };
  for (const auto& [text, kept] : cases) {
    EXPECT_EQ(BoundedConsumerText(text), text.substr(0, kept)) << text.size();
  }
}

}  // namespace
}  // namespace sysinfo
