#!/usr/bin/env bash
# Runs the end-to-end driver against a built Veilkeep.exe under Wine, in a
# private Wine prefix and on a private X display, and exits with its code.
#
#   tests/e2e/run.sh [BUILD_DIR]     (default: build/mingw under the repo)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-build/mingw}
[[ $build == /* ]] || build=$repo/$build
for file in Veilkeep.exe veilkeep_e2e.exe ico/1.ico; do
  if [[ ! -f $build/$file ]]; then
    echo "run.sh: $build/$file is missing; build with: cmake --build --preset mingw" >&2
    exit 2
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/veilkeep-e2e.XXXXXX")
xvfb_pid=
cleanup() {
  WINEPREFIX=$work/prefix wineserver -k >/dev/null 2>&1 || true
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A display of our own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [[ -s $work/display ]] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
display=$(tr -d '[:space:]' <"$work/display")
if [[ -z $display ]]; then
  echo "run.sh: Xvfb did not start" >&2
  exit 2
fi

export DISPLAY=:$display
export WINEPREFIX=$work/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer prompts

# Wine's helper processes keep whatever output they inherit: give them none.
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1 </dev/null
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
build_win=$(winepath -w "$build" 2>/dev/null </dev/null)

# The web host the program was built with, as CMake has it.
host=$(sed -n 's/^VEILKEEP_PUBLISHER_HOST:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
if [[ -z $host ]]; then
  echo "run.sh: no VEILKEEP_PUBLISHER_HOST in $build/CMakeCache.txt" >&2
  exit 2
fi

# Web addresses go to the driver instead of a browser: it records each one in
# a file. HKCU would take precedence over HKLM: a fresh prefix has none there.
url_log_win=$(winepath -w "$work/urls.txt" 2>/dev/null </dev/null)
e2e_win=$(winepath -w "$build/veilkeep_e2e.exe" 2>/dev/null </dev/null)
if ! wine reg add 'HKLM\Software\Classes\http\shell\open\command' /ve \
  /d "\"$e2e_win\" --record-url \"$url_log_win\" \"%1\"" /f >/dev/null 2>&1 </dev/null; then
  echo "run.sh: could not register the http handler in the Wine prefix" >&2
  exit 2
fi

# Wine's own remarks (and the program's) go to a log, shown only on failure.
start=$SECONDS
set +e
timeout 300 wine "$build/veilkeep_e2e.exe" "$build_win" --host "$host" --url-log "$url_log_win" \
  </dev/null 2>"$work/stderr.log"
code=$?
set -e
if [[ $code -ne 0 ]]; then
  [[ $code -eq 124 ]] && echo "run.sh: the driver did not finish within 300 s" >&2
  if [[ -s $work/stderr.log ]]; then
    echo "run.sh: standard error of the run:" >&2
    cat "$work/stderr.log" >&2
  fi
fi
echo "run.sh: driver exit code $code after $((SECONDS - start)) s" >&2
exit "$code"
