// The hosts-file copy at any chunking, and the path rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/format.h"
#include "collectors/hosts_file.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/memory_reader.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using testing::AsBytes;
using testing::CapturedReport;
using testing::FakeRegistry;
using testing::MemoryReader;
using testing::Text;
using namespace std::string_literals;

// Through a double-byte code page of the test's own, where 0x81 leads a character that reads as
// "[x]": a character cut by the end of a read reaches the decoder whole.
TEST(HostsFile, CopiesEveryLineExactlyAtAnyChunking) {
  const HostsTextDecoder doubleByte{
      [](std::string_view part) {
        std::string utf8;
        for (std::size_t i = 0; i < part.size(); ++i) {
          utf8 += part[i] != '\x81' ? std::string(1, part[i])
                                    : "[" + std::string(part.substr(++i, 1)) + "]";
        }
        return utf8;
      },
      [](std::string_view part) -> std::size_t { return part.ends_with('\x81'); }};
  const std::string longLine(200'000, 'a');  // longer than the writer's pieces
  const std::vector<std::tuple<const char*, std::string, std::vector<std::string>>> cases = {
      {"CR LF", "# hosts\r\n127.0.0.1 localhost\r\n", {"# hosts", "127.0.0.1 localhost"}},
      {"CR alone", "a\rb\r", {"a", "b"}},
      {"LF alone", "a\nb\nc\n", {"a", "b", "c"}},
      {"mixed, LF CR is two ends", "a\r\nb\nc\rd\n\re", {"a", "b", "c", "d", "", "e"}},
      {"blank lines and leading blanks", "a\r\n\r\n   b\n\nc", {"a", "", "   b", "", "c"}},
      {"CR then CR LF", "a\r\r\nb", {"a", "", "b"}},
      {"no final line end", "one\r\nlast", {"one", "last"}},
      {"NUL bytes inside a line", "x\0y\r\n\0\r\n"s, {"x<U+0000>y", "<U+0000>"}},
      {"empty file", "", {}},
      {"only a line end", "\n", {""}},
      {"a line longer than a piece", longLine + "\nb", {longLine, "b"}},
      {"double-byte characters", "caf\x81" + "e\x81x\r\n"s, {"caf[e][x]"}},
  };
  for (const auto& [what, file, lines] : cases) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{4096}}) {
      MemoryReader reader(AsBytes(file), piece);
      CapturedReport report;
      PrintHostsFile(report.writer(), &reader, doubleByte);
      std::vector<std::string> expected = lines;
      expected.emplace_back(SeparatorLine);
      EXPECT_EQ(report.Lines(), expected) << what << ", pieces of " << piece;
      EXPECT_LE(report.LargestWrite(), 128u * 1024)
          << what << ": a line is written in bounded pieces";
    }
  }
}

// A read that fails part-way keeps the lines read before it and fails the category with its
// reason, instead of passing for a shorter file.
TEST(HostsFile, AFailedReadKeepsTheLinesReadAndSaysWhy) {
  MemoryReader reader(AsBytes("one\r\ntwo\r\nthree\r\n"), 6, 1);
  CapturedReport report;
  report.writer().BeginCategory("Host File Info", 1, {}, {});
  PrintHostsFile(report.writer(), &reader, {});
  const CategoryOutcome outcome = report.writer().EndCategory(0);
  EXPECT_EQ(report.Lines(), (std::vector<std::string>{"one", "t", std::string(SeparatorLine)}));
  EXPECT_EQ(outcome.status, CategoryStatus::Failed);
  EXPECT_EQ(outcome.error, "The device is not ready.");
}

TEST(HostsFile, PathFromTheRegistryOrTheWindowsFolder) {
  const std::string params = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
  const std::vector<std::tuple<const char*, std::optional<RawRegistryValue>, std::string>> cases = {
      {"expanded", Text("%SystemRoot%\\System32\\drivers\\etc", kRegExpandSz),
       "C:\\Windows-With-A-Long-Name\\System32\\drivers\\etc\\hosts"},
      {"empty", Text(""), "C:\\windows\\System32\\drivers\\etc\\hosts"},
      {"missing", std::nullopt, "C:\\windows\\System32\\drivers\\etc\\hosts"},
  };
  for (const auto& [what, dataBasePath, expected] : cases) {
    FakeRegistry keys;
    keys.AddKey(RegistryRoot::LocalMachine, params);
    if (dataBasePath) keys.Set(RegistryRoot::LocalMachine, params, "DataBasePath", *dataBasePath);
    EXPECT_EQ(HostsFilePath(keys, "C:\\windows"), expected) << what;
  }
}

}  // namespace
}  // namespace sysinfo
