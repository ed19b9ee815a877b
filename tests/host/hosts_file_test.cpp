#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/format.h"
#include "collectors/hosts_file.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/memory_reader.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using testing::CapturedReport;
using testing::AsBytes;
using testing::FakeRegistry;
using testing::MemoryReader;
using testing::Text;
using namespace std::string_literals;

TEST(HostsFile, CopiesEveryLineExactlyAtAnyChunking) {
  struct Case {
    const char* what;
    std::string file;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"CR LF", "# hosts\r\n127.0.0.1 localhost\r\n", {"# hosts", "127.0.0.1 localhost"}},
      {"CR alone", "a\rb\r", {"a", "b"}},
      {"lone LF stays inside", "a\nb\r\nc\n", {"a\nb", "c\n"}},
      {"blank lines and leading blanks", "a\r\n\r\n   b\r\n", {"a", "", "   b"}},
      {"CR then CR LF", "a\r\r\nb", {"a", "", "b"}},
      {"no final line end", "one\r\nlast", {"one", "last"}},
      {"NUL bytes inside a line", "x\0y\r\n\0\r\n"s, {"x\0y"s, "\0"s}},
      {"empty file", "", {}},
      {"only a line end", "\r\n", {""}},
  };
  for (const Case& c : cases) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{4096}}) {
      MemoryReader reader(AsBytes(c.file), piece);
      CapturedReport report;
      PrintHostsFile(report.writer(), &reader, nullptr);
      std::vector<std::string> expected = c.lines;
      expected.emplace_back(SeparatorLine);
      EXPECT_EQ(report.Lines(), expected) << c.what << ", pieces of " << piece;
    }
  }
}

TEST(HostsFile, AFileThatCannotBeOpenedGivesTheSeparatorOnly) {
  CapturedReport report;
  PrintHostsFile(report.writer(), nullptr, nullptr);
  EXPECT_EQ(report.Lines(), std::vector<std::string>{std::string(SeparatorLine)});
}

TEST(HostsFile, LinesArePassedThroughTheDecoder) {
  MemoryReader reader(AsBytes("caf\xE9\r\n"), 4096);
  CapturedReport report;
  PrintHostsFile(report.writer(), &reader, [](std::string_view line) {
    std::string utf8;
    for (char c : line) utf8 += (c == '\xE9') ? "\xC3\xA9" : std::string(1, c);
    return utf8;
  });
  EXPECT_EQ(report.Lines(), (std::vector<std::string>{"caf\xC3\xA9", std::string(SeparatorLine)}));
}

TEST(HostsFile, PathFromTheRegistryOrTheWindowsFolder) {
  const std::string params = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
  struct Case {
    const char* what;
    std::optional<RawRegistryValue> dataBasePath;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"expanded", Text("%SystemRoot%\\System32\\drivers\\etc", kRegExpandSz),
       "C:\\Windows-With-A-Long-Name\\System32\\drivers\\etc\\hosts"},
      {"plain text", Text("D:\\etc"), "D:\\etc\\hosts"},
      {"empty", Text(""), "C:\\windows\\System32\\drivers\\etc\\hosts"},
      {"missing", std::nullopt, "C:\\windows\\System32\\drivers\\etc\\hosts"},
  };
  for (const Case& c : cases) {
    FakeRegistry keys;
    keys.AddKey(RegistryRoot::LocalMachine, params);
    if (c.dataBasePath) keys.Set(RegistryRoot::LocalMachine, params, "DataBasePath", *c.dataBasePath);
    EXPECT_EQ(HostsFilePath(keys, "C:\\windows"), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace sysinfo
