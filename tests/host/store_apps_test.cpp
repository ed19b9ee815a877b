// Store Apps over fakes: the XML reader against hostile documents, the manifest, several users'
// packages each once, and their startup tasks in Autostart Entries.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "base/format.h"
#include "collectors/autostart.h"
#include "collectors/file_examinations.h"
#include "collectors/store_packages.h"
#include "support/xml_reader.h"
#include "tests/fakes/fake_autostart.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

using namespace testing;
using Lines = std::vector<std::string>;

// The tree in one line: name, attributes, text in quotes, children in braces.
std::string Dump(const XmlElement& element) {
  std::string dump = element.name;
  for (const XmlAttribute& attribute : element.attributes)
    dump += " " + attribute.name + "=" + attribute.value;
  if (!element.text.empty()) dump += " \"" + element.text + "\"";
  if (element.children.empty()) return dump;
  dump += " {";
  for (const XmlElement& child : element.children) dump += Dump(child) + ";";
  return dump + "}";
}

std::string Nested(int depth) {
  std::string open, close;
  for (int i = 0; i < depth; ++i) {
    open += "<e>";
    close += "</e>";
  }
  return open + close;
}

TEST(XmlReader, ReadsWhatIsThereAndRefusesWhatCouldHurt) {
  const std::string utf16 = std::string("\xFF\xFE<\0a\0/\0>\0", 10);
  XmlLimits small;
  small.maxElements = 3;
  small.maxBytes = 64;
  // clang-format off
  const std::vector<std::tuple<std::string, XmlLimits, std::string>> rows = {
      {"<?xml version=\"1.0\"?><!-- c --><a x=\"1 &amp; 2\" y='&#x41;&#66;'>t&lt;<b/>u</a>", {},
       "a x=1 & 2 y=AB \"t<u\" {b;}"},
      {"\xEF\xBB\xBF<p:a p:k=\"v\r\nw\">x\r\ny\rz</p:a>", {}, "p:a p:k=v w \"x\ny\nz\""},
      {"<a>&#13;&#10;<![CDATA[<b>&amp;]]></a>", {}, "a \"\r\n<b>&amp;\""},
      {utf16, {}, "a"},
      {"<a>\n<!DOCTYPE a [<!ENTITY x SYSTEM \"file:///c:/windows/win.ini\">]><b>&x;</b></a>", {},
       "line 2: a document type declaration, which is not read"},
      {"<!DOCTYPE a SYSTEM \"http://example.com/a.dtd\"><a/>", {},
       "line 1: a document type declaration, which is not read"},
      {"<a><!ENTITY x \"y\"></a>", {}, "line 1: a declaration, which is not read"},
      {"<a>&x;</a>", {}, "line 1: the entity &x; (only the predefined ones are read)"},
      {"<a>&#0;</a>", {}, "line 1: a bad character reference &#0;"},
      {"<a>&#xD800;</a>", {}, "line 1: a bad character reference &#xD800;"},
      {"<a>&amp</a>", {}, "line 1: a '&' that starts no reference"},
      {"<a>\n<b>text", {}, "line 2: the document ends inside <b>"},
      {"<a><b></a></b>", {}, "line 1: </a> while <b> is open"},
      {"<a x='1' x='2'/>", {}, "line 1: the attribute x twice in <a>"},
      {"<a x='1/>", {}, "line 1: an unclosed attribute in <a>"},
      {"<a x=1/>", {}, "line 1: an unclosed attribute in <a>"},
      {"<a x='<'/>", {}, "line 1: an unclosed attribute in <a>"},
      {"<a/><b/>", {}, "line 1: a second root element <b>"},
      {"x<a/>", {}, "line 1: text outside the root element"},
      {std::string("<a>\0</a>", 8), {}, "line 1: a NUL character"},
      {"< a/>", {}, "line 1: a '<' that starts no element"},
      {"", {}, "line 1: no root element"},
      {"\xFE\xFF\0<", {}, "UTF-16 big-endian is not read"},
      {Nested(32), {}, Nested(0) + "e {e {e {e {e {e {e {e {e {e {e {e {e {e {e {e {e {e {e {e {e "
       "{e {e {e {e {e {e {e {e {e {e {e;};};};};};};};};};};};};};};};};};};};};};};};};};};};};};};}"},
      {Nested(33), {}, "line 1: elements nested deeper than 32"},
      {"<a><b/><c/><d/></a>", small, "line 1: more than 3 elements"},
      {std::string(65, ' ') + "<a/>", small, "larger than 64 bytes"},
  };
  // clang-format on
  for (const auto& [document, limits, expected] : rows) {
    const Result<XmlElement> read = ReadXmlDocument(document, limits);
    EXPECT_EQ(read.Failed() ? read.error->message : Dump(read.value), expected) << document;
  }
}

const std::string kSelf = FakeAutostartSystem().sid;
const std::string kOther = "S-1-5-21-1-2-3-1002";
const std::string kAway = "S-1-5-21-1-2-3-1003";
const std::string kStore = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Appx\\AppxAllUserStore";
const std::string kAppModel =
    "\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel\\";
const std::string kNotes = "Contoso.Notes_2.0.0.0_x64__8wekyb3d8bbwe";
const std::string kNotesFamily = "Contoso.Notes_8wekyb3d8bbwe";

std::string Manifest(std::string_view identity, std::string_view properties,
                     std::string_view applications = "") {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Package xmlns=\"http://x/foundation\" "
         "xmlns:uap5=\"http://x/uap5\" xmlns:desktop=\"http://x/desktop\"><Identity " +
         std::string(identity) + "/><Properties>" + std::string(properties) +
         "</Properties><Applications>" + std::string(applications) + "</Applications></Package>";
}

const std::string kNotesManifest = Manifest(
    "Name='Contoso.Notes' Publisher='CN=Contoso, O=Contoso Ltd' Version='2.0.0.0' "
    "ProcessorArchitecture='x64'",
    "<DisplayName>ms-resource:AppName</DisplayName><PublisherDisplayName>Contoso &amp; Sons"
    "</PublisherDisplayName>",
    "<Application Id='App' Executable='Notes/Notes.exe'><Extensions>"
    "<uap5:Extension Category='windows.startupTask'><uap5:StartupTask TaskId='NotesStartup' "
    "Enabled='true'/></uap5:Extension><desktop:Extension Category='windows.startupTask' "
    "Executable='Sync\\Sync.exe'><desktop:StartupTask TaskId='SyncTask' Enabled='false'/>"
    "</desktop:Extension><Extension Category='windows.protocol'/></Extensions></Application>");

TEST(StoreApps, TheManifestSaysWhatThePackageIs) {
  const Result<PackageManifest> notes = ReadPackageManifest(kNotesManifest);
  ASSERT_FALSE(notes.Failed()) << notes.error->message;
  EXPECT_EQ(notes.value.publisher, "CN=Contoso, O=Contoso Ltd");
  EXPECT_EQ(notes.value.publisherDisplayName, "Contoso & Sons");
  ASSERT_EQ(notes.value.startupTasks.size(), 2u);
  EXPECT_EQ(notes.value.startupTasks[0].executable, "Notes/Notes.exe");  // its application's
  EXPECT_TRUE(notes.value.startupTasks[0].enabled);
  EXPECT_EQ(notes.value.startupTasks[1].executable, "Sync\\Sync.exe");  // the extension's own
  EXPECT_FALSE(notes.value.startupTasks[1].enabled);

  const std::vector<std::pair<std::string, std::string>> refused = {
      {"<Package/>", "no <Identity> element"},
      {"<Task><Identity/></Task>", "the root element is not <Package>"},
      {kNotesManifest.substr(0, 300), "line 2: the document ends inside <DisplayName>"},
  };
  for (const auto& [document, reason] : refused) {
    const Result<PackageManifest> read = ReadPackageManifest(document);
    EXPECT_EQ(read.Failed() ? read.error->message : "read", reason) << document;
  }
  EXPECT_EQ(SplitPackageFullName(kNotes).family, kNotesFamily);
  EXPECT_EQ(SplitPackageFullName("odd_name").family, "odd_name");
}

// The users' account names and the files below the install folders; each manifest read counted.
class FakeUserProfiles final : public UserProfileSystem {
 public:
  std::map<std::string, std::string> files;
  std::map<std::string, int> reads;

  std::string CurrentUserSid() override { return kSelf; }
  std::string AccountName(const std::string& sid) override {
    return sid == kSelf ? "PC\\me" : sid == kOther ? "PC\\other" : sid == kAway ? "PC\\away" : "";
  }
  Result<std::optional<std::string>> SmallFile(const std::string& path, std::size_t) override {
    ++reads[path];
    const auto found = files.find(path);
    if (found == files.end()) return {std::nullopt, {}};
    return {found->second, {}};
  }
  Result<std::vector<std::string>> Subfolders(const std::string&, std::size_t) override {
    return {};
  }
};

// The autostart gatherer's images are not looked at here.
struct NoFiles final : SuspiciousFileSource {
  std::string SpecialFolder(int) override { return {}; }
  FolderListing FindEntries(const std::string&) override { return {}; }
  VersionStrings Version(const std::string&) override { return {}; }
  FileChecksums Checksums(const std::string&) override { return {}; }
};

// Three users, each kind of package, and one package only the all-users store has.
struct Machine {
  FakeRegistry keys;
  FakeUserProfiles profiles;
  FakeAutostartSystem system;
  NoFiles files;
  FileExaminations examined{files};

  void Package(RegistryRoot root, const std::string& classes, const std::string& fullName,
               const std::string& folder) {
    keys.Set(root, classes + kAppModel + "Repository\\Packages\\" + fullName, "PackageRootFolder",
             Text(folder));
  }
  void Listed(const std::string& fullName, const std::string& folder) {
    keys.Set(RegistryRoot::LocalMachine, kStore + "\\Applications\\" + fullName, "Path",
             Text(folder + "\\AppxManifest.xml"));
  }
  void TaskState(RegistryRoot root, const std::string& classes, const std::string& task,
                 std::uint32_t state) {
    keys.Set(root, classes + kAppModel + "SystemAppData\\" + kNotesFamily + "\\" + task, "State",
             Dword(state));
  }

  Machine() {
    const std::string profileList =
        "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
    for (const std::string& sid : {kSelf, kOther, kAway})
      keys.Set(RegistryRoot::LocalMachine, profileList + sid, "ProfileImagePath",
               Text("C:\\U\\" + sid));
    const auto cu = RegistryRoot::CurrentUser;
    const std::string classes = "Software\\Classes", other = kOther + "_Classes";
    keys.AddKey(RegistryRoot::Users, kOther);
    Package(cu, classes, kNotes, "C:\\Apps\\Notes");
    Package(cu, classes, "Contoso.Notes_2.0.0.0_neutral_split.scale-100_8wekyb3d8bbwe",
            "C:\\Apps\\Scale");
    Package(cu, classes, "Microsoft.VCLibs.140.00_14.0.0.0_x64__8wekyb3d8bbwe", "C:\\Apps\\VC");
    Package(cu, classes, "Evil.Doctype_1.0.0.0_x64__abc", "C:\\Apps\\Evil");
    Package(RegistryRoot::Users, other, "Missing.App_1.0.0.0_x64__abc", "C:\\Apps\\Missing");
    Listed(kNotes, "C:\\Apps\\Notes");
    Listed("Provisioned.App_3.0.0.0_x64__xyz", "C:\\Apps\\Prov");
    keys.AddKey(RegistryRoot::LocalMachine, kStore + "\\" + kOther + "\\" + kNotes);
    keys.AddKey(RegistryRoot::LocalMachine, kStore + "\\" + kAway + "\\" + kNotes);
    keys.AddKey(RegistryRoot::LocalMachine, kStore + "\\" + kSelf + "\\" + kNotes);
    keys.AddKey(RegistryRoot::LocalMachine, kStore + "\\Staged");
    TaskState(cu, classes, "NotesStartup", 1);
    TaskState(RegistryRoot::Users, other, "NotesStartup", 2);
    TaskState(RegistryRoot::Users, other, "SyncTask", 9);

    profiles.files["C:\\Apps\\Notes\\AppxManifest.xml"] = kNotesManifest;
    profiles.files["C:\\Apps\\Scale\\AppxManifest.xml"] = Manifest(
        "Name='Contoso.Notes' Publisher='CN=Contoso' Version='2.0.0.0' "
        "ProcessorArchitecture='neutral' ResourceId='split.scale-100'",
        "<ResourcePackage>true</ResourcePackage>");
    profiles.files["C:\\Apps\\VC\\AppxManifest.xml"] = Manifest(
        "Name='Microsoft.VCLibs.140.00' Publisher='CN=Microsoft' Version='14.0.0.0'",
        "<Framework>true</Framework>");
    profiles.files["C:\\Apps\\Evil\\AppxManifest.xml"] =
        "<?xml version='1.0'?>\n<!DOCTYPE Package [<!ENTITY x SYSTEM 'file:///c:/boot.ini'>]>"
        "<Package><Identity Name='&x;'/></Package>";
    profiles.files["C:\\Apps\\Prov\\AppxManifest.xml"] = Manifest(
        "Name='Provisioned.App' Version='3.0.0.0'",
        "<DisplayName>Line&#13;&#10;User: PC\\forged</DisplayName>");
  }
};

// Each block as its values joined by " | ".
Lines Blocks(const Lines& lines) {
  Lines blocks;
  std::string block;
  for (const std::string& line : lines) {
    if (line == SeparatorLine) {
      blocks.push_back(block);
      block.clear();
    } else if (!line.empty()) {
      block += (block.empty() ? "" : " | ") + line.substr(line.find(": ") + 2);
    }
  }
  return blocks;
}

TEST(StoreApps, EachUsersPackagesOnceAtEachLevel) {
  const std::string notes = "PC\\me | " + kNotesFamily +
                            " | x64 | ms-resource:AppName | Contoso & Sons | 2.0.0.0";
  const std::string evil = "PC\\me | Evil.Doctype_abc | x64 |  |  | 1.0.0.0 | line 2: a document "
                           "type declaration, which is not read";
  const std::string missing = "PC\\other | Missing.App_abc | x64 |  |  | 1.0.0.0 | no "
                              "AppxManifest.xml in the install folder";
  const std::string away = "PC\\away | Not known (the user's hive is not loaded)";
  const std::string provisioned =
      "All Users | Provisioned.App_xyz | x64 | Line<U+000D><U+000A>User: PC\\forged |  | 3.0.0.0";
  const std::string tasks = "NotesStartup (Enabled): C:\\Apps\\Notes\\Notes\\Notes.exe; SyncTask "
                            "(Disabled): C:\\Apps\\Notes\\Sync\\Sync.exe";
  // clang-format off
  const std::vector<std::pair<DetailLevel, Lines>> levels = {
      {DetailLevel::Basic, {notes, evil, "PC\\other" + notes.substr(5), missing, away, "PC\\away" + notes.substr(5), provisioned}},
      {DetailLevel::Moderate, {
          notes + " | Contoso.Notes | CN=Contoso, O=Contoso Ltd | " + kNotes + " | C:\\Apps\\Notes | " + tasks + " | AppModel repository and all-users store",
          evil + " | Evil.Doctype |  | Evil.Doctype_1.0.0.0_x64__abc | C:\\Apps\\Evil |  | AppModel repository",
          "PC\\other" + notes.substr(5) + " | Contoso.Notes | CN=Contoso, O=Contoso Ltd | " + kNotes + " | C:\\Apps\\Notes | " + tasks + " | all-users store",
          missing + " | Missing.App |  | Missing.App_1.0.0.0_x64__abc | C:\\Apps\\Missing |  | AppModel repository",
          away,
          "PC\\away" + notes.substr(5) + " | Contoso.Notes | CN=Contoso, O=Contoso Ltd | " + kNotes + " | C:\\Apps\\Notes | " + tasks + " | all-users store",
          provisioned + " | Provisioned.App |  | Provisioned.App_3.0.0.0_x64__xyz | C:\\Apps\\Prov |  | all-users store"}},
  };
  // clang-format on
  for (const auto& [level, expected] : levels) {
    Machine machine;
    CapturedReport report;
    CollectStoreApps(report.writer(), machine.keys, machine.profiles, level);
    EXPECT_EQ(report.writer().WriteError(), Status());
    EXPECT_EQ(Blocks(report.Lines()), expected) << LevelCaption(level);
    // One package's manifest, read once for its three users.
    EXPECT_EQ(machine.profiles.reads["C:\\Apps\\Notes\\AppxManifest.xml"], 1);
  }
  // Advanced adds each kind, and lists the resource package and the framework.
  Machine machine;
  CapturedReport report;
  CollectStoreApps(report.writer(), machine.keys, machine.profiles, DetailLevel::Advanced);
  Lines kinds;
  for (const std::string& line : report.Lines()) {
    if (line.starts_with("Kind: ")) kinds.push_back(line.substr(6));
  }
  EXPECT_EQ(kinds, (Lines{"Resource", "Application", "Not known", "Framework", "Application",
                          "Not known", "Application", "Application"}));
}

TEST(StoreApps, AStoreThatCannotBeReadFailsNamingItAndTheRestIsListed) {
  Machine machine;
  machine.keys.Deny(RegistryRoot::LocalMachine, kStore + "\\Applications");
  CapturedReport report;
  CollectStoreApps(report.writer(), machine.keys, machine.profiles, DetailLevel::Basic);
  const Lines blocks = Blocks(report.Lines());
  const Result<StorePackages> read = ReadStorePackages(machine.keys, machine.profiles);
  ASSERT_TRUE(read.Failed());
  EXPECT_EQ(read.error->message,
            "HKEY_LOCAL_MACHINE\\" + kStore + "\\Applications: Access is denied.");
  // The current user's repository still gives its packages; the other user's copy of Notes has no
  // folder now that Applications is unread, and says so.
  EXPECT_EQ(blocks.front().substr(0, 6), "PC\\me ");
  EXPECT_NE(std::find(blocks.begin(), blocks.end(),
                      "PC\\other | " + kNotesFamily +
                          " | x64 |  |  | 2.0.0.0 | no install folder is registered"),
            blocks.end());
}

TEST(StoreApps, EachDeclaredStartupTaskIsAnAutostartEntryWithTheUsersState) {
  Machine machine;
  AutostartSources sources{machine.keys, machine.system, machine.examined, &machine.profiles};
  const Result<std::vector<AutostartEntry>> gathered = GatherAutostartEntries(sources);
  EXPECT_EQ(gathered.error, Status());
  const std::string data = kAppModel + "SystemAppData\\" + kNotesFamily;
  const std::string self = "HKEY_CURRENT_USER\\Software\\Classes" + data;
  const std::string other = "HKEY_USERS\\" + kOther + "_Classes" + data;
  const std::string away = "HKEY_USERS\\" + kAway + "_Classes" + data;
  const std::string notes = "C:\\Apps\\Notes\\Notes\\Notes.exe",
                    sync = "C:\\Apps\\Notes\\Sync\\Sync.exe";
  // clang-format off
  const Lines expected = {
      self + " | NotesStartup | " + notes + " | Disabled by the user",
      self + " | SyncTask | " + sync + " | Disabled",
      other + " | NotesStartup | " + notes + " | Enabled",
      other + " | SyncTask | " + sync + " | Not known (State 9)",
      away + " | NotesStartup | " + notes + " | Not known (the user's hive is not loaded)",
      away + " | SyncTask | " + sync + " | Not known (the user's hive is not loaded)",
  };
  // clang-format on
  Lines found;
  for (const AutostartEntry& entry : gathered.value) {
    if (entry.family != "Packaged Apps") continue;
    found.push_back(entry.location + " | " + entry.name + " | " + entry.image + " | " +
                    entry.state);
  }
  EXPECT_EQ(found, expected);
  // Without the users' files the scan lists no packaged app and fails nothing.
  AutostartSources without{machine.keys, machine.system, machine.examined};
  const Result<std::vector<AutostartEntry>> none = GatherAutostartEntries(without);
  EXPECT_EQ(none.error, Status());
  EXPECT_EQ(std::count_if(none.value.begin(), none.value.end(),
                          [](const AutostartEntry& e) { return e.family == "Packaged Apps"; }),
            0);
}

}  // namespace
}  // namespace sysinfo
