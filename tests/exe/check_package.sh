#!/usr/bin/env bash
# Checks the portable zip: Veilkeep.exe, the five toolbar pictures and the
# read-me, nothing else, each with the same file mode whatever the builder's
# umask; then the package managers' manifests beside it (check_manifests.py),
# against the schemas in SCHEMA_FOLDER (default: shared/schemas beside the
# repository).
set -euo pipefail
zip=${1:?usage: check_package.sh Veilkeep-<version>-portable.zip [SCHEMA_FOLDER]}
here=$(cd "$(dirname "$0")" && pwd)
schemas=${2:-$here/../../../shared/schemas}
expected="README.txt
Veilkeep.exe
ico/
ico/1.ico
ico/2.ico
ico/3.ico
ico/4.ico
ico/5.ico"
actual=$(unzip -Z1 "$zip" | sort)
passed=0
failed=0
if [ "$actual" = "$expected" ]; then
  echo "ok - package holds exactly the exe, the ico folder and the read-me, at its top"
  passed=$((passed + 1))
else
  echo "FAIL - package contents differ:"
  diff <(echo "$expected") <(echo "$actual") || true
  failed=$((failed + 1))
fi
# Folders drwxr-xr-x, files -rw-r--r--, as zipinfo lists them.
modes=$(unzip -Z "$zip" | awk '$1 ~ /^[d-]/ {print $1, $NF}')
wrong=$(awk '($NF ~ /\/$/ && $1 != "drwxr-xr-x") || ($NF !~ /\/$/ && $1 != "-rw-r--r--")' <<<"$modes")
if [ -n "$modes" ] && [ -z "$wrong" ]; then
  echo "ok - folders are drwxr-xr-x and files -rw-r--r--"
  passed=$((passed + 1))
else
  echo "FAIL - entries with other modes:"
  echo "${wrong:-(no entries listed)}"
  failed=$((failed + 1))
fi
status=0
manifests=$(python3 "$here/check_manifests.py" "$zip" "$schemas" 2>&1) || status=$?
echo "$manifests"
passed=$((passed + $(grep -c '^ok - ' <<<"$manifests" || true)))
failed=$((failed + $(grep -c '^FAIL - ' <<<"$manifests" || true)))
if [ "$status" -ne 0 ] && ! grep -q '^FAIL - ' <<<"$manifests"; then
  echo "FAIL - check_manifests.py ended with status $status"
  failed=$((failed + 1))
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
