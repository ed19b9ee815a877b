// The Proxy Info section over a fake registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collectors/collectors.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/level_lines.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using testing::CapturedReport;
using testing::Dword;
using testing::FakeRegistry;
using testing::Text;

const std::string kSettings = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

std::vector<std::string> Collect(FakeRegistry& keys) {
  CapturedReport report;
  CollectProxyInfo(report.writer(), keys);
  return report.Lines();
}

TEST(ProxyInfo, PrintsEachBlocksValuesAndOnlyTheLastUserHive) {
  FakeRegistry keys;
  using sysinfo::RegistryRoot;
  keys.Set(RegistryRoot::CurrentUser, kSettings, "ProxyEnable", Dword(1));
  keys.Set(RegistryRoot::CurrentUser, kSettings, "ProxyServer", Text("proxy.example:8080"));
  keys.Set(RegistryRoot::CurrentUser, kSettings, "ProxyOverride", Text("<local>"));
  keys.Set(RegistryRoot::LocalMachine, kSettings, "AutoConfigURL", Text("http://wpad/wpad.dat"));
  const std::string first = "S-1-5-21-1111111111-2222222222-3333333333-1001";
  const std::string second = "S-1-5-21-1111111111-2222222222-3333333333-1002";
  keys.AddKey(RegistryRoot::Users, ".DEFAULT");
  keys.Set(RegistryRoot::Users, first + "\\" + kSettings, "ProxyServer", Text("first-user"));
  keys.Set(RegistryRoot::Users, second + "\\" + kSettings, "ProxyServer", Text("second-user"));
  keys.Set(RegistryRoot::Users, second + "\\" + kSettings, "ProxyEnable", Dword(0));
  // Neither a _Classes hive nor a name of exactly 25 characters is a user's hive.
  keys.Set(RegistryRoot::Users, second + "_Classes\\" + kSettings, "ProxyServer", Text("classes"));
  keys.Set(RegistryRoot::Users, "S-1-5-21-1111-2222-333-44\\" + kSettings, "ProxyServer",
           Text("short"));

  EXPECT_EQ(Collect(keys),
            testing::LinesAt(DetailLevel::Basic,
                             testing::ReadLevelBlocks("proxy_info.txt").at("blocks")));
}

}  // namespace
}  // namespace sysinfo
