#!/usr/bin/env bash
# Checks the built executable: only Windows system DLLs imported, ASLR with
# high-entropy addresses and DEP set, a manifest and the version resource.
set -euo pipefail
exe=${1:?usage: check_exe.sh Veilkeep.exe}
objdump=x86_64-w64-mingw32-objdump
passed=0
failed=0
check() {  # check NAME COMMAND...
  local name=$1
  shift
  if "$@"; then
    echo "ok - $name"
    passed=$((passed + 1))
  else
    echo "FAIL - $name"
    failed=$((failed + 1))
  fi
}

headers=$($objdump -p "$exe")
imports=$(grep 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort -u)
system_dlls=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll uxtheme.dll version.dll "
only_system() {
  local dll
  for dll in $imports; do
    [[ "$system_dlls" == *" $dll "* ]] || { echo "  not a system DLL: $dll"; return 1; }
  done
}
characteristics=$((16#$(awk '/DllCharacteristics/ {print $2}' <<<"$headers")))
has_flag() { (( characteristics & $1 )); }

check "imports only system DLLs ($(echo $imports | tr '\n' ' '))" only_system
check "ASLR: dynamic base" has_flag 0x40
check "ASLR: high-entropy addresses" has_flag 0x20
check "DEP: NX compatible" has_flag 0x100
check "Terminal-Server aware" has_flag 0x8000
restricts_dll_search() { grep -q 'SetDefaultDllDirectories' <<<"$headers"; }
check "restricts the DLL search path (imports SetDefaultDllDirectories)" restricts_dll_search
check "application manifest embedded" grep -q 'PerMonitorV2' "$exe"
check "version resource says 1.0" bash -c "LC_ALL=C grep -qaP 'F\x00i\x00l\x00e\x00V\x00e\x00r\x00s\x00i\x00o\x00n\x00\x00\x00\x00\x00\x31\x00\x2e\x00\x30\x00' '$exe'"
echo "exe size: $(stat -c %s "$exe") bytes"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
