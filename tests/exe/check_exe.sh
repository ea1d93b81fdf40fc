#!/usr/bin/env bash
# Checks the built executable: only Windows system DLLs imported, ASLR with
# high-entropy addresses and DEP set, a manifest, the oldest Windows named
# alike in the header and the manifest, and the version resource.
#
#   check_exe.sh Veilkeep.exe
#   check_exe.sh --oldest-windows FILE: the oldest Windows FILE's manifest names
set -euo pipefail
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

# The oldest Windows an application manifest in FILE names as supported, as
# "major.minor"; the versions compared as versions (10.0 is newer than 6.1).
manifest_oldest() {  # manifest_oldest FILE
  local id
  for id in $(LC_ALL=C grep -ao 'supportedOS Id="{[0-9a-fA-F-]*}"' "$1" | grep -o '{[^}]*}'); do
    case ${id,,} in
      '{e2011457-1546-43c5-a5fe-008deee3d3f0}') echo 6.0 ;;   # Vista
      '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}') echo 6.1 ;;   # 7
      '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}') echo 6.2 ;;   # 8
      '{1f676c76-80e1-4239-95bb-83d0f6d0da78}') echo 6.3 ;;   # 8.1
      '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}') echo 10.0 ;;  # 10 and 11
      *) echo "unknown$id" ;;
    esac
  done | sort -V | head -n 1
}
if [ "${1:-}" = --oldest-windows ]; then
  manifest_oldest "${2:?usage: check_exe.sh --oldest-windows FILE}"
  exit
fi
exe=${1:?usage: check_exe.sh Veilkeep.exe}

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

# The oldest Windows it runs on, said three times: the header's subsystem and
# OS versions, and the oldest system the embedded manifest names as supported.
header_version() {  # header_version Subsystem|OSystem: "major.minor"
  awk -v major="Major$1Version" -v minor="Minor$1Version" \
    '$1 == major {a = $2} $1 == minor {b = $2} END {print a "." b}' <<<"$headers"
}
subsystem=$(header_version Subsystem)
os=$(header_version OSystem)
oldest=$(manifest_oldest "$exe")
check "oldest Windows agrees: subsystem $subsystem, OS $os, manifest ${oldest:-none}" \
  test -n "$oldest" -a "$subsystem" = "$oldest" -a "$os" = "$oldest"
# Calls of Windows 10 version 1607 are imported: nothing older may be named.
check "oldest Windows is 10 (the imports need version 1607)" test "$oldest" = 10.0
check "version resource says 1.0" bash -c "LC_ALL=C grep -qaP 'F\x00i\x00l\x00e\x00V\x00e\x00r\x00s\x00i\x00o\x00n\x00\x00\x00\x00\x00\x31\x00\x2e\x00\x30\x00' '$exe'"
echo "exe size: $(stat -c %s "$exe") bytes"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
