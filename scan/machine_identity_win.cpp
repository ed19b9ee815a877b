// The names Windows gives this machine and its user, and the redaction map on disk.
#include <windows.h>
#include <lm.h>
#define SECURITY_WIN32
#include <security.h>

#include <array>
#include <memory>

#include "base/handles_win.h"
#include "base/program.h"
#include "report/json_file_win.h"
#include "report/redaction_map.h"
#include "scan/scan.h"
#include "base/special_folders_win.h"
#include "base/system_library_win.h"
#include "base/unicode_win.h"
#include "scan/machine_identity.h"

namespace sysinfo {
namespace {

std::string ComputerNameOf(COMPUTER_NAME_FORMAT format) {
  std::array<wchar_t, 256> name{};
  DWORD size = static_cast<DWORD>(name.size());
  if (!GetComputerNameExW(format, name.data(), &size)) return {};
  return WideToUtf8(std::wstring(name.data(), size));
}

// "DOMAIN\login" of the account running the scan. secur32 is no KnownDLL: it is loaded from
// System32 rather than imported.
std::string AccountName() {
  const SystemLibrary secur32(L"secur32.dll");
  const decltype(&GetUserNameExW) userName = secur32.Find("GetUserNameExW");
  std::array<wchar_t, 512> name{};
  ULONG size = static_cast<ULONG>(name.size());
  if (!userName || !userName(NameSamCompatible, name.data(), &size)) return {};
  return WideToUtf8(std::wstring(name.data(), size));
}

// The NetBIOS name of the domain the machine belongs to, or of its workgroup (netapi32, no
// KnownDLL either).
std::string NetBiosDomain() {
  const SystemLibrary netapi32(L"netapi32.dll");
  const decltype(&NetWkstaGetInfo) getInfo = netapi32.Find("NetWkstaGetInfo");
  const decltype(&NetApiBufferFree) freeBuffer = netapi32.Find("NetApiBufferFree");
  LPBYTE buffer = nullptr;
  if (!getInfo || !freeBuffer || getInfo(nullptr, 100, &buffer) != NERR_Success) return {};
  const std::unique_ptr<BYTE, decltype(freeBuffer)> info(buffer, freeBuffer);
  return WideToUtf8(reinterpret_cast<const WKSTA_INFO_100*>(info.get())->wki100_langroup);
}

std::string ShortPath(const std::string& path) {
  std::array<wchar_t, MAX_PATH> shortPath{};
  const DWORD length = GetShortPathNameW(Utf8ToWide(path).c_str(), shortPath.data(),
                                         static_cast<DWORD>(shortPath.size()));
  if (length == 0 || length >= shortPath.size()) return {};
  return WideToUtf8(std::wstring(shortPath.data(), length));
}

std::string MapPath(const RedactionChoices& choices) {
  if (!choices.mapPath.empty()) return choices.mapPath;
  const std::string userData = GetSpecialFolder(kFolderLocalAppData);
  if (userData.empty()) return {};
  return userData + "\\" + std::string(kProgramName) + "\\redaction-map.json";
}

// The map as a whole: a new file beside it, then moved over it, so a map is never half written.
Status WriteMapFile(const std::string& path, const std::string& text) {
  if (const auto folder = path.find_last_of('\\'); folder != std::string::npos)
    CreateDirectoryW(Utf8ToWide(path.substr(0, folder)).c_str(), nullptr);  // may exist
  const std::wstring target = Utf8ToWide(path), written = target + L".new";
  {
    UniqueHandle file = AdoptHandle(CreateFileW(written.c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD put = 0;
    if (!file ||
        !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &put, nullptr) ||
        put != text.size()) {
      return SystemError(GetLastError());
    }
  }
  if (!MoveFileExW(written.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const Error reason = SystemError(GetLastError());
    DeleteFileW(written.c_str());
    return reason;
  }
  return std::nullopt;
}

}  // namespace

std::string ThisComputerName() { return ComputerNameOf(ComputerNameNetBIOS); }

Result<Redactor> RedactorForThisMachine(const RedactionChoices& choices,
                                        const std::optional<MachineId>& machineId, WmiService& wmi,
                                        RegistryRoutines& keys) {
  const std::string path = MapPath(choices);
  MarkerMap map;
  // A map not made yet is a first report's; any other is read as a file from anywhere.
  const DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
  const DWORD error = GetLastError();
  if (!path.empty() && (attributes != INVALID_FILE_ATTRIBUTES ||
                        (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND))) {
    JsonRead read = ReadJsonFile(path, kRedactionMapLimits, CheckRedactionMap);
    if (read.Failed()) {
      read.error->message.insert(0, "cannot use the redaction map ");
      return {{}, std::move(read.error)};
    }
    map = RedactionMapOf(read.value);
  }
  Redactor redactor(std::move(map));
  for (const std::string& word : choices.words) redactor.Learn(IdentityKind::Word, word);
  MachineNames names;
  names.computer = {ThisComputerName(), ComputerNameOf(ComputerNameDnsHostname)};
  names.domains = {ComputerNameOf(ComputerNameDnsDomain), NetBiosDomain()};
  names.account = AccountName();
  names.shortPath = ShortPath;
  if (machineId) names.machineId = machineId->id;
  LearnMachineIdentity(redactor, names, wmi, keys);
  return {std::move(redactor), {}};
}

Status KeepRedactionMap(const Redactor& redactor, const RedactionChoices& choices) {
  const std::string path = MapPath(choices);
  if (path.empty()) return std::nullopt;  // nowhere to keep it: the next report numbers anew
  Status error = WriteMapFile(path, RedactionMapText(redactor.Map()));
  if (error) error->message.insert(0, "the redaction map \"" + path + "\" cannot be written: ");
  return error;
}

}  // namespace sysinfo
