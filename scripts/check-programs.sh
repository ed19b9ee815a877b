#!/usr/bin/env bash
# Checks what the built programs ask of the Windows loader, so that it stays as it is:
# - every DLL they import is a KnownDLL, which Windows only ever takes from System32. Any other
#   imported DLL is looked for beside the program first, where whoever can put a file (a browser's
#   download, another user of a shared folder) can put a look-alike that then runs inside the
#   program: load such a DLL with SystemLibrary (base/system_library_win.h) instead;
# - ASLR with high entropy (DYNAMIC_BASE and HIGH_ENTROPY_VA, with the relocations they need), NX
#   (NX_COMPAT), the stack protector's canary, and the TLS callback that limits the DLL search
#   before anything else runs (base/dll_search_start_win.cpp).
# usage: check-programs.sh PROGRAM.exe...   Exits 1, naming each fault.
set -euo pipefail

# The KnownDLLs the programs import: each is listed under HKLM\SYSTEM\CurrentControlSet\Control\
# Session Manager\KnownDLLs on every Windows since 7. Add one only after checking that it is
# listed there on each of them. comdlg32 is a KnownDLL too, but it imports the common controls,
# which are not: it is loaded when a dialog is first shown (ui/common_dialog_win.cpp).
known_dlls=" advapi32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 user32 "

status=0
fault() {
  echo "$1: $2"
  status=1
}
for program in "$@"; do
  headers=$(x86_64-w64-mingw32-objdump -p "$program")
  for dll in $(awk '/DLL Name:/ { print tolower($3) }' <<<"$headers"); do
    [[ $known_dlls == *" ${dll%.dll} "* ]] || fault "$program" "imports $dll, not a KnownDLL allowed here"
  done
  for flag in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
    grep -qw "$flag" <<<"$headers" || fault "$program" "no $flag"
  done
  relocations=$(awk '$1 == "Entry" && $2 == "5" { print $4 }' <<<"$headers")
  [[ $((16#${relocations:-0})) -gt 0 ]] || fault "$program" "no relocations: ASLR cannot move it"
  symbols=$(x86_64-w64-mingw32-nm "$program")
  grep -qw __stack_chk_guard <<<"$symbols" || fault "$program" "no stack protector"
  grep -qw kLimitDllSearchOnStart <<<"$symbols" || fault "$program" "no early DLL search limit"
done
[[ $status == 0 ]] && echo "programs: KnownDLLs imported only; ASLR, NX, stack protector, early DLL search limit"
exit $status
