// Reading the packaged apps: which user has which package, where it is installed, and what its
// manifest declares. Manifests are read once per file, by the bounded XML reader.
#include "collectors/store_packages.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <unordered_map>
#include <utility>

#include "base/text.h"
#include "support/xml_reader.h"

namespace sysinfo {
namespace {

constexpr RegistryView kView = RegistryView::Only64Bit;
constexpr std::string_view kAppModel =
    "Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel";
constexpr std::string_view kAllUserStore =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Appx\\AppxAllUserStore";
constexpr std::string_view kRepository = "AppModel repository";
constexpr std::string_view kStore = "all-users store";
constexpr std::string_view kManifestName = "AppxManifest.xml";
// A list longer than this is no machine's: the rest is left out and said.
constexpr std::size_t kMaxPackagesPerList = 10000;
constexpr std::size_t kMaxStartupTasks = 64;

std::string_view XmlTrim(std::string_view text) {
  constexpr std::string_view kSpace = " \t\n";
  const std::size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// xs:boolean: "true" or "1".
bool IsTrue(std::string_view text) {
  text = XmlTrim(text);
  return text == "true" || text == "1";
}

std::string AttributeOf(const XmlElement& element, std::string_view name) {
  const std::string* value = element.Attribute(name);
  return value ? *value : std::string();
}

std::string ChildText(const XmlElement* element, std::string_view name) {
  const XmlElement* child = element ? element->Child(name) : nullptr;
  return child ? std::string(XmlTrim(child->text)) : std::string();
}

// The startup tasks of one application: each windows.startupTask extension's task, run by the
// extension's own executable or else the application's.
void AddStartupTasks(const XmlElement& application, PackageManifest& manifest) {
  const XmlElement* extensions = application.Child("Extensions");
  if (!extensions) return;
  for (const XmlElement& extension : extensions->children) {
    if (extension.LocalName() != "Extension" ||
        AttributeOf(extension, "Category") != "windows.startupTask")
      continue;
    const XmlElement* task = extension.Child("StartupTask");
    if (!task || manifest.startupTasks.size() >= kMaxStartupTasks) continue;
    StartupTaskDeclaration& declared = manifest.startupTasks.emplace_back();
    declared.taskId = AttributeOf(*task, "TaskId");
    declared.enabled = IsTrue(AttributeOf(*task, "Enabled"));
    declared.executable = AttributeOf(extension, "Executable");
    if (declared.executable.empty()) declared.executable = AttributeOf(application, "Executable");
  }
}

// The folder of a file's path: "C:\A" of "C:\A\AppxManifest.xml".
std::string FolderOf(std::string_view path) {
  const std::size_t slash = path.rfind('\\');
  return std::string(slash == std::string_view::npos ? std::string_view() : path.substr(0, slash));
}

std::string_view RootName(RegistryRoot root) {
  return root == RegistryRoot::CurrentUser    ? "HKEY_CURRENT_USER"
         : root == RegistryRoot::LocalMachine ? "HKEY_LOCAL_MACHINE"
                                              : "HKEY_USERS";
}

// The user's classes hive below its root, also where a user whose hive is not loaded would have it.
std::string ClassesOf(const MachineUser& user) {
  return user.classes.empty() ? user.sid + "_Classes" : user.classes;
}

std::string RegistryText(const std::optional<RawRegistryValue>& raw) {
  if (!raw || (raw->type != kRegSz && raw->type != kRegExpandSz)) return {};
  return RegistryValueText(ConvertQueriedValue(*raw));
}

class PackageReader {
 public:
  PackageReader(RegistryRoutines& keys, UserProfileSystem& system) : keys_(keys), system_(system) {}

  Result<StorePackages> Read() {
    read_.users = failure_.Take(ListMachineUsers(keys_, system_));
    for (std::size_t i = 0; i < read_.users.size(); ++i) {
      if (read_.users[i].hiveLoaded) ReadRepository(i);
    }
    ReadAllUserStore();
    for (auto& [key, package] : found_) {
      ReadManifest(package);
      read_.packages.push_back(std::move(package));
    }
    return {std::move(read_), failure_.First()};
  }

 private:
  // The user's place in the list and the full name in lower case: each user's packages once, in
  // the list's order, and a package of no user last.
  static constexpr std::size_t kNoUser = std::numeric_limits<std::size_t>::max();
  using PackageKey = std::pair<std::size_t, std::string>;

  StorePackage& Found(std::optional<std::size_t> user, const std::string& fullName,
                      std::string_view source) {
    const std::size_t place = user.value_or(kNoUser);
    auto [at, added] = found_.try_emplace(PackageKey{place, LowerCase(fullName)});
    StorePackage& package = at->second;
    if (added) {
      package.user = user;
      package.userName = user ? read_.users[*user].name : std::string(kAllUsers);
      package.fullName = fullName;
      package.source = source;
    } else if (package.source.find(source) == std::string::npos) {
      package.source += " and " + std::string(source);
    }
    return package;
  }

  std::vector<std::string> Subkeys(RegistryRoot root, const std::string& path,
                                   const std::string& name) {
    Result<std::vector<std::string>> read = keys_.SubkeyNames(root, path, kView);
    if (read.Failed()) read.error->message.insert(0, name + ": ");
    if (read.value.size() > kMaxPackagesPerList) {
      read.value.resize(kMaxPackagesPerList);
      if (!read.error) {
        read.error = Failure(name + ": more than " + std::to_string(kMaxPackagesPerList) +
                             " packages; the rest are not listed");
      }
    }
    return failure_.Take(std::move(read));
  }

  std::string Text(RegistryRoot root, const std::string& path, std::string_view value) {
    Result<std::optional<RawRegistryValue>> read = keys_.QueryValue(root, path, value, kView);
    if (read.Failed())
      read.error->message.insert(0, std::string(RootName(root)) + "\\" + path + ": ");
    return RegistryText(failure_.Take(std::move(read)));
  }

  void ReadRepository(std::size_t index) {
    const MachineUser& user = read_.users[index];
    const std::string packages = ClassesOf(user) + "\\" + std::string(kAppModel) +
                                 "\\Repository\\Packages";
    const std::string name = std::string(RootName(user.root)) + "\\" + packages;
    for (const std::string& fullName : Subkeys(user.root, packages, name)) {
      const std::string key = packages + "\\" + fullName;
      StorePackage& package = Found(index, fullName, kRepository);
      package.installFolder = Text(user.root, key, "PackageRootFolder");
      package.registryDisplayName = Text(user.root, key, "DisplayName");
    }
  }

  // The store's Applications give install folders; its SID subkeys, whose packages are whose.
  void ReadAllUserStore() {
    const std::string store(kAllUserStore);
    const std::string name = std::string(RootName(RegistryRoot::LocalMachine)) + "\\" + store;
    struct Application {
      std::string fullName;
      std::string folder;
      bool anyUser = false;
    };
    std::map<std::string, Application> applications;  // by full name in lower case
    const std::string listed = store + "\\Applications";
    for (const std::string& fullName :
         Subkeys(RegistryRoot::LocalMachine, listed, name + "\\Applications")) {
      const std::string path = Text(RegistryRoot::LocalMachine, listed + "\\" + fullName, "Path");
      applications[LowerCase(fullName)] = {fullName, FolderOf(path)};
    }
    const auto has = [&applications](const std::string& lowerName) {
      const auto found = applications.find(lowerName);
      if (found != applications.end()) found->second.anyUser = true;
    };
    for (const auto& [key, package] : found_) has(key.second);
    for (const std::string& sid : Subkeys(RegistryRoot::LocalMachine, store, name)) {
      if (!StartsWithIgnoreCase(sid, "S-1-")) continue;
      const std::optional<std::size_t> user = UserOf(sid);
      for (const std::string& fullName :
           Subkeys(RegistryRoot::LocalMachine, store + "\\" + sid, name + "\\" + sid)) {
        Found(user, fullName, kStore);
        has(LowerCase(fullName));
      }
    }
    for (const auto& [lowerName, application] : applications) {
      if (!application.anyUser) Found(std::nullopt, application.fullName, kStore);
    }
    for (auto& [key, package] : found_) {
      const auto application = applications.find(key.second);
      if (package.installFolder.empty() && application != applications.end())
        package.installFolder = application->second.folder;
    }
  }

  // A SID of the store that no listed user has is listed as a user of its own.
  std::optional<std::size_t> UserOf(const std::string& sid) {
    for (std::size_t i = 0; i < read_.users.size(); ++i) {
      if (EqualsIgnoreCase(read_.users[i].sid, sid)) return i;
    }
    MachineUser& user = read_.users.emplace_back();
    user.sid = sid;
    user.name = system_.AccountName(sid);
    if (user.name.empty()) user.name = sid;
    return read_.users.size() - 1;
  }

  void ReadManifest(StorePackage& package) {
    if (package.installFolder.empty()) {
      package.manifestError = "no install folder is registered";
      return;
    }
    const std::string path = package.installFolder + "\\" + std::string(kManifestName);
    auto [at, added] = manifests_.try_emplace(LowerCase(path));
    Result<PackageManifest>& manifest = at->second;
    if (added) {
      Result<std::optional<std::string>> bytes = system_.SmallFile(path, kMaxManifestSize);
      if (bytes.Failed()) {
        manifest.error = std::move(bytes.error);
      } else if (!bytes.value) {
        manifest.error = Failure("no AppxManifest.xml in the install folder");
      } else {
        manifest = ReadPackageManifest(*bytes.value);
      }
    }
    package.manifest = manifest.value;
    if (manifest.Failed()) package.manifestError = manifest.error->message;
  }

  RegistryRoutines& keys_;
  UserProfileSystem& system_;
  FirstFailure failure_;
  StorePackages read_;
  std::map<PackageKey, StorePackage> found_;
  std::unordered_map<std::string, Result<PackageManifest>> manifests_;  // by path in lower case
};

}  // namespace

Result<PackageManifest> ReadPackageManifest(std::string_view bytes) {
  XmlLimits limits;
  limits.maxBytes = kMaxManifestSize;
  Result<XmlElement> document = ReadXmlDocument(bytes, limits);
  if (document.Failed()) return {{}, std::move(document.error)};
  const XmlElement& root = document.value;
  if (root.LocalName() != "Package") return {{}, Failure("the root element is not <Package>")};
  const XmlElement* identity = root.Child("Identity");
  if (!identity) return {{}, Failure("no <Identity> element")};
  PackageManifest manifest;
  manifest.name = AttributeOf(*identity, "Name");
  manifest.publisher = AttributeOf(*identity, "Publisher");
  manifest.version = AttributeOf(*identity, "Version");
  manifest.architecture = AttributeOf(*identity, "ProcessorArchitecture");
  manifest.resourceId = AttributeOf(*identity, "ResourceId");
  const XmlElement* properties = root.Child("Properties");
  manifest.displayName = ChildText(properties, "DisplayName");
  manifest.publisherDisplayName = ChildText(properties, "PublisherDisplayName");
  manifest.framework = IsTrue(ChildText(properties, "Framework"));
  manifest.resource = IsTrue(ChildText(properties, "ResourcePackage"));
  if (const XmlElement* applications = root.Child("Applications")) {
    for (const XmlElement& application : applications->children) {
      if (application.LocalName() == "Application") AddStartupTasks(application, manifest);
    }
  }
  return {std::move(manifest), {}};
}

PackageNameParts SplitPackageFullName(std::string_view fullName) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = fullName.find('_', start);
    parts.push_back(fullName.substr(start, end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (parts.size() != 5) return {std::string(fullName), {}, {}, {}};
  return {std::string(parts[0]) + "_" + std::string(parts[4]), std::string(parts[0]),
          std::string(parts[1]), std::string(parts[2])};
}

Result<StorePackages> ReadStorePackages(RegistryRoutines& keys, UserProfileSystem& system) {
  return PackageReader(keys, system).Read();
}

// The manifest's "/" is Windows' "\"; a path that is not below the folder is kept as it is.
std::string StartupTaskImage(const StorePackage& package, const StartupTaskDeclaration& task) {
  std::string path = task.executable;
  std::replace(path.begin(), path.end(), '/', '\\');
  const bool absolute = path.starts_with('\\') || path.find(':') != std::string::npos;
  if (absolute || package.installFolder.empty()) return path;
  return package.installFolder + "\\" + path;
}

std::string PackageStateKey(const MachineUser& user, std::string_view family) {
  return ClassesOf(user) + "\\" + std::string(kAppModel) + "\\SystemAppData\\" +
         std::string(family);
}

std::string PackageStateKeyName(const MachineUser& user, std::string_view family) {
  return std::string(RootName(user.root)) + "\\" + PackageStateKey(user, family);
}

std::string StartupTaskStateText(std::uint32_t state) {
  constexpr std::array<std::string_view, 5> kStates{"Disabled", "Disabled by the user", "Enabled",
                                                    "Disabled by policy", "Enabled by policy"};
  if (state < kStates.size()) return std::string(kStates[state]);
  return "Not known (State " + std::to_string(state) + ")";
}

}  // namespace sysinfo
