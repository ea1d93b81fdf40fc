#!/usr/bin/env bash
# Checks the portable zip: Veilkeep.exe, the five toolbar pictures and the read-me, nothing else.
set -euo pipefail
zip=${1:?usage: check_package.sh Veilkeep-<version>-portable.zip}
expected="README.txt
Veilkeep.exe
ico/
ico/1.ico
ico/2.ico
ico/3.ico
ico/4.ico
ico/5.ico"
actual=$(unzip -Z1 "$zip" | sed 's|^[^/]*/||' | grep -v '^$' | sort)
if [ "$actual" = "$expected" ]; then
  echo "ok - package holds exactly the exe, the ico folder and the read-me"
  echo "1 passed, 0 failed"
else
  echo "FAIL - package contents differ:"
  diff <(echo "$expected") <(echo "$actual") || true
  echo "0 passed, 1 failed"
  exit 1
fi
