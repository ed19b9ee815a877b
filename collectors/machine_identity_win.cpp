// The names Windows gives this machine and its user, for the redactor.
#include <windows.h>

#include <array>

#include "base/unicode_win.h"
#include "collectors/machine_identity.h"
#include "support/registry_win.h"

namespace sysinfo {
namespace {

std::string ComputerNameOf(COMPUTER_NAME_FORMAT format) {
  std::array<wchar_t, 256> name{};
  DWORD size = static_cast<DWORD>(name.size());
  if (!GetComputerNameExW(format, name.data(), &size)) return {};
  return WideToUtf8(std::wstring(name.data(), size));
}

std::string UserName() {
  std::array<wchar_t, 257> name{};
  DWORD size = static_cast<DWORD>(name.size());
  if (!GetUserNameW(name.data(), &size) || size == 0) return {};
  return WideToUtf8(std::wstring(name.data(), size - 1));  // the size counted the NUL
}

}  // namespace

std::string ThisComputerName() { return ComputerNameOf(ComputerNameNetBIOS); }

void LearnThisMachine(Redactor& redactor) {
  MachineNames names;
  names.computer = {ThisComputerName(), ComputerNameOf(ComputerNameDnsHostname)};
  names.domain = ComputerNameOf(ComputerNameDnsDomain);
  names.user = UserName();
  WindowsRegistry registry;
  LearnMachineIdentity(redactor, names, registry);
}

}  // namespace sysinfo
