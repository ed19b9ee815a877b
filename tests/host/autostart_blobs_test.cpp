// Binary records anyone with write access can forge: the task cache's actions, the Winsock
// catalog's entries, and the COM handler actions of task files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "collectors/scheduled_tasks.h"
#include "collectors/task_cache_actions.h"
#include "collectors/winsock_catalog.h"
#include "tests/fakes/fake_autostart.h"
#include "tests/fakes/fake_registry.h"

namespace sysinfo {
namespace {

using namespace testing;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

Bytes Word(std::uint16_t value) { return {std::uint8_t(value), std::uint8_t(value >> 8)}; }

Bytes Dword(std::uint32_t value) {
  return {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
          std::uint8_t(value >> 24)};
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& piece : parts) all.insert(all.end(), piece.begin(), piece.end());
  return all;
}

// A counted string of ASCII text, as UTF-16 LE.
Bytes Str(std::string_view text) {
  Bytes bytes = Dword(static_cast<std::uint32_t>(2 * text.size()));
  for (char c : text) bytes.insert(bytes.end(), {std::uint8_t(c), 0});
  return bytes;
}

const Bytes kV1 = Word(1);
const Bytes kV3 = Cat({Word(3), Str("Author")});

Bytes Program(std::string_view command, std::string_view arguments, bool flags = true) {
  return Cat({Word(0x6666), Str(""), Str(command), Str(arguments), Str("C:\\"),
              flags ? Word(0) : Bytes{}});
}

const std::string kClsid = "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";
const Bytes kHandler = Cat({Word(0x7777),
                            Str("h"),
                            Dword(0x0A1B2C3D),
                            Word(0x4E5F),
                            Word(0x6071),
                            {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9},
                            Str("data")});
const Bytes kMail = Cat({Word(0x8888), Str(""), Str("f"), Str("t"), Str(""), Str(""), Str(""),
                         Str("smtp"), Str("s"), Str("b"), Dword(1), Str("a.txt"), Dword(1),
                         Str("X-Key"), Str("v")});
const Bytes kMessage = Cat({Word(0x9999), Str(""), Str("caption"), Str("text")});

TEST(TaskCacheActions, EachShapeGivesItsActionsOrSaysWhereItBreaks) {
  Bytes many = kV1;
  for (int i = 0; i < 33; ++i) many = Cat({many, Program("a.exe", "", false)});
  const Bytes mailHead = Cat({kV3, Word(0x8888), Str("")});
  struct Case {
    Bytes value;
    std::string error;  // empty: read to its end
    Texts commands = {};
    Texts handlers = {};
  };
  const std::vector<Case> cases = {
      {Cat({kV1, Program("C:\\Program Files\\t.exe", "/q", false)}),
       "",
       {"\"C:\\Program Files\\t.exe\" /q"}},
      {Cat({kV3, Program("cmd.exe", "/c x")}), "", {"cmd.exe /c x"}},
      {Cat({kV3, kHandler}), "", {}, {kClsid}},
      {Cat({kV3, Program("a.exe", ""), kHandler, kMail, kMessage, Program("b.exe", "-b")}),
       "",
       {"a.exe", "b.exe -b"},
       {kClsid}},
      // The program that starts is the one before the NUL.
      {Cat({kV3, Program(std::string_view("evil.exe\0good.exe", 17), "")}), "", {"evil.exe"}},
      {{}, "the value ends inside its version at byte 0"},
      {Word(4), "version 4, which is not read"},
      {kV3, "no actions"},
      {Cat({kV1, Word(0x6666), Dword(3), Word(0)}),
       "action 1's id has an odd length, 3, at byte 4"},
      {Cat({kV1, Word(0x6666), Str(""), Dword(0xFFFFFFFE)}),
       "action 1's command at byte 8 is 4294967294 bytes long, past the end"},
      {Cat({kV1, Program("a.exe", "", false), Word(0x1234)}),
       "action 2 is of no known type (0x1234)",
       {"a.exe"}},
      {Cat({mailHead, Str(""), Str(""), Str(""), Str(""), Str(""), Str(""), Str(""), Str(""),
            Dword(0xFFFFFFFF)}),
       "4294967295 attachment names at byte 60 cannot fit in the 0 bytes left"},
      {many, "more than 32 actions", Texts(32, "a.exe")},
      {Bytes(kMaxCachedActionsSize + 1), "larger than 1 MiB"},
  };
  for (const Case& c : cases) {
    const auto actions = DecodeTaskCacheActions(c.value);
    SCOPED_TRACE(c.error);
    EXPECT_EQ(actions.value.commands, c.commands);
    EXPECT_EQ(actions.value.handlers, c.handlers);
    EXPECT_EQ(actions.Failed() ? actions.error->message : "", c.error);
  }
}

// A value cut short is never taken for a whole one, unless it is cut between two actions.
TEST(TaskCacheActions, AValueCutAnywhereInsideAnActionSaysSo) {
  const std::vector<Bytes> actions = {Program("a.exe", "-a"), kHandler, kMail, kMessage};
  Bytes value = kV3;
  std::set<std::size_t> between;
  for (const Bytes& action : actions) {
    value = Cat({value, action});
    between.insert(value.size());
  }
  for (std::size_t cut = 0; cut < value.size(); ++cut) {
    const auto read = DecodeTaskCacheActions(std::span(value).first(cut));
    EXPECT_EQ(read.Failed(), !between.count(cut)) << "cut at " << cut;
  }
}

TEST(WinsockCatalog, TheProviderPathIsReadOnlyFromAWholeEntry) {
  const std::size_t whole = kCatalogPathField + kProtocolInfoSize;
  auto entry = [](std::string_view path, std::size_t size = 888) {
    Bytes bytes(path.begin(), path.end());
    bytes.resize(std::max(size, bytes.size()));
    return bytes;
  };
  struct Case {
    Bytes packed;
    std::string path;
    std::string error = {};
  };
  const std::vector<Case> cases = {
      {entry("%SystemRoot%\\system32\\mswsock.dll"), "%SystemRoot%\\system32\\mswsock.dll"},
      {entry("C:\\lsp.dll", whole + 100), "C:\\lsp.dll"},
      {entry("C:\\lsp.dll", whole - 1), "", "a catalog entry of 887 bytes, not 888"},
      {entry(std::string(kCatalogPathField, 'A')), "", "a provider path without its end"},
      {entry(""), "", "an empty provider path"},
      {entry("C:\\caf\xE9.dll"), "", "a provider path that is not ASCII (byte 6)"},
  };
  for (const Case& c : cases) {
    const auto path = PackedCatalogItemPath(c.packed);
    EXPECT_EQ(path.value, c.path);
    EXPECT_EQ(path.Failed() ? path.error->message : "", c.error);
  }
}

// Only a GUID names a class: anything else would look up another key than the class's.
TEST(TaskFiles, AComHandlerNamesItsClassOnlyByAGuid) {
  const std::string lower = "{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}";
  for (const auto& [classId, handlers] :
       std::vector<std::pair<std::string, Texts>>{{lower, {kClsid}},
                                                  {lower.substr(1, 36), {kClsid}},
                                                  {kClsid + "\\InprocServer32", {}},
                                                  {"{0}", {}}}) {
    const auto document = ReadTaskDocument(
        "<Task><Actions><Exec><Command>a.exe</Command></Exec><ComHandler><ClassId>" + classId +
        "</ClassId><Data>x</Data></ComHandler></Actions></Task>");
    EXPECT_EQ(document.value.commands, Texts{"a.exe"}) << classId;
    EXPECT_EQ(document.value.handlers, handlers) << classId;
  }
}

// A task without a readable file shows what the cache says it runs; the file wins otherwise.
TEST(ScheduledTasks, ATaskWithoutAReadableFileHasTheCachesActions) {
  FakeRegistry keys;
  FakeAutostartSystem system;
  const std::string cache =
      "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Schedule\\TaskCache\\";
  auto cached = [&](const std::string& name, const std::string& id, const Bytes& actions) {
    keys.Set(RegistryRoot::LocalMachine, cache + "Tree\\" + name, "Id", Text(id));
    keys.Set(RegistryRoot::LocalMachine, cache + "Tree\\" + name, "SD", {kRegBinary, {1}});
    if (!actions.empty())
      keys.Set(RegistryRoot::LocalMachine, cache + "Tasks\\" + id, "Actions",
               {kRegBinary, actions});
  };
  cached("Gone", "{1}", Cat({kV3, Program("gone.exe", "-x"), kHandler}));
  cached("Both", "{2}", Cat({kV3, Program("cache.exe", "")}));
  cached("Broken", "{3}", Cat({kV3, Program("c.exe", "")}));
  cached("Mangled", "{4}", Cat({Word(9), Program("m.exe", "")}));
  cached("Plain", "{5}", {});
  system.taskFiles.value = {
      {"\\Both", "<Task><Actions><Exec><Command>file.exe</Command></Exec></Actions></Task>", ""},
      {"\\Broken", "<Task><Actions>", ""}};

  Texts tasks;
  for (const ScheduledTask& task : GatherScheduledTasks(keys, system).value) {
    std::string line = task.name + " |";
    for (const std::string& text : task.commands) line += " " + text;
    for (const std::string& text : task.handlers) line += " " + text;
    tasks.push_back(line + " | " + task.source + " | " + task.unread);
  }
  EXPECT_EQ(tasks, (Texts{
                       "Both | file.exe | task cache and task file | ",
                       "Broken | c.exe | task cache and task file (actions from the cache; task "
                       "file: line 1: the document ends inside <Actions>) | ",
                       "Gone | gone.exe -x " + kClsid + " | task cache (actions from the cache) | ",
                       "Mangled | | task cache | no task file; cached actions: version 9, which "
                       "is not read",
                       "Plain | | task cache | no task file",
                   }));
}

}  // namespace
}  // namespace sysinfo
