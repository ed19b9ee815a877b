/* A look-alike of a system DLL, as someone would plant it beside a program: it leaves a file
   "<its own path>.loaded" when it is loaded and "<its own path>.called" when the program calls
   any of its exports. Every name the real DLL's import library lists is exported, each as LookalikeExport
   (see tests/CMakeLists.txt), so a program that imports the DLL starts with it. */
#include <windows.h>

static HMODULE self;

static void LeaveMarker(const wchar_t* suffix) {
  wchar_t path[MAX_PATH + 16];
  const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  lstrcatW(path, suffix);
  HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    self = instance;
    LeaveMarker(L".loaded");
  }
  return TRUE;
}

/* Every export: leaves its marker when the program's own code calls it (Wine's own DLLs call a
   look-alike that Wine loaded for them), and fails as the real function does when it cannot do
   its work. */
int LookalikeExport(void) {
  HMODULE caller = NULL;
  if (GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          (LPCWSTR)__builtin_return_address(0), &caller) &&
      caller == GetModuleHandleW(NULL)) {
    LeaveMarker(L".called");
  }
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return 0;
}
