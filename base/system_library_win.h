// DLLs of the system that are not KnownDLLs, loaded from the system's folders alone and never
// found beside the program, and their functions taken by name.
#pragma once

#include <windows.h>

#include "base/handles_win.h"

namespace sysinfo {

// Makes every DLL the process later loads by bare name, its own or one the system loads for it,
// come from System32 alone, never from the program's folder or the current one. Each program
// calls it before any other code of its own runs (see dll_search_start_win.cpp).
void LimitDllSearchToSystem();

// One DLL of the system, loaded on first use instead of imported: Windows looks for an imported
// DLL beside the program first unless it is a KnownDLL, so a look-alike placed there would run
// inside the program. The DLL stays loaded while this object lives.
class SystemLibrary {
 public:
  explicit SystemLibrary(const wchar_t* fileName);

  // An export, typed by what it is assigned to (`decltype(&VerQueryValueW) query =
  // version.Find("VerQueryValueW")`); null when the DLL or the export is missing.
  class Export {
   public:
    explicit Export(void* address) : address_(address) {}
    template <typename Function>
    operator Function*() const {
      return reinterpret_cast<Function*>(address_);
    }

   private:
    void* address_;
  };
  Export Find(const char* name) const;

 private:
  UniqueModule module_;
};

}  // namespace sysinfo
