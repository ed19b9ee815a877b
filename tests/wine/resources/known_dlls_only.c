/* A program that imports the KnownDLLs the two programs may import (scripts/check-programs.sh)
   and nothing else: a look-alike that Wine loads beside it, Wine loads for its own DLLs. */
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

int main(int argc, char** argv) {
  (void)argv;
  if (argc == 0) { /* never: only the imports matter */
    RegCloseKey(NULL);
    DeleteObject(NULL);
    CoUninitialize();
    SysFreeString(NULL);
    ShellExecuteW(NULL, NULL, NULL, NULL, NULL, 0);
    GetSystemMetrics(0);
  }
  return 0;
}
