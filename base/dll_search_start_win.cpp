// Built into each program: the DLL search limited to System32 before any other code of the
// program runs. A TLS callback of the executable runs once the imported DLLs are initialised and
// before the C runtime's start-up code, its own TLS callback (at .CRT$XLC) and every static
// initialiser, any of which could load a DLL by name (the stack protector's set-up loads a
// cryptographic provider). The programs' own imports are KnownDLLs (scripts/check-programs.sh),
// so the load configuration's DependentLoadFlags would add nothing; GNU ld (2.40) cannot set it
// anyway: it never fills in the load configuration directory, even for a _load_config_used.
#include <windows.h>

#include "base/system_library_win.h"

namespace sysinfo {
namespace {

void NTAPI LimitDllSearchOnStart(void*, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) LimitDllSearchToSystem();
}

}  // namespace
}  // namespace sysinfo

// The loader calls the pointers of the .CRT$XL* sections, in the order of their names.
#if defined(_MSC_VER)
#pragma comment(linker, "/INCLUDE:_tls_used")
#pragma comment(linker, "/INCLUDE:kLimitDllSearchOnStart")
#pragma section(".CRT$XLB", read)
extern "C" __declspec(allocate(".CRT$XLB")) const PIMAGE_TLS_CALLBACK kLimitDllSearchOnStart =
    sysinfo::LimitDllSearchOnStart;
#else
extern "C" __attribute__((used, section(".CRT$XLB")))
const PIMAGE_TLS_CALLBACK kLimitDllSearchOnStart = sysinfo::LimitDllSearchOnStart;
#endif
