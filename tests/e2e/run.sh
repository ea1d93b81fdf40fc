#!/usr/bin/env bash
# Runs the end-to-end driver against a built Veilkeep.exe under Wine, in a
# session at 96 DPI, then the status bar's and the found folders' window's
# scenarios in sessions started at higher DPIs; its last line adds up the
# checks of every session, and it exits non-zero when any failed. Wine, the
# driver and Veilkeep run as the unprivileged account veilkeep-e2e (created
# when missing), with their own prefix and display, so that file permissions
# stop writes as they stop a standard Windows user. Root prepares what that
# account cannot make itself: a small, separate file system to fill up, and a
# folder it may not change.
#
#   tests/e2e/run.sh [BUILD_DIR [SCENARIO...]]   (default: build/mingw under the
#   repo, every scenario; name scenarios, e.g. DroppedFolders, to run only those;
#   --first-failure among them: none starts after one failed)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"

build=${1:-build/mingw}
only=()
for name in "${@:2}"; do
  # --first-failure: no scenario starts after one failed (the mutation runs).
  if [ "$name" = --first-failure ]; then only+=("$name"); else only+=(--only "$name"); fi
done
[[ $build == /* ]] || build=$ROOT/$build
for file in Veilkeep.exe veilkeep_e2e.exe ico/1.ico CMakeCache.txt; do
  if [[ ! -f $build/$file ]]; then
    echo "run.sh: $build/$file is missing; build with: cmake --build --preset mingw" >&2
    exit 2
  fi
done
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "run.sh: must run as root (or with sudo)" >&2; exit 2; }
  exec sudo bash "${BASH_SOURCE[0]}" "$build" "${@:2}"
fi

# The web host the program was built with, as CMake has it.
host=$(sed -n 's/^VEILKEEP_PUBLISHER_HOST:[A-Z]*=//p' "$build/CMakeCache.txt")
if [[ -z $host ]]; then
  echo "run.sh: no VEILKEEP_PUBLISHER_HOST in $build/CMakeCache.txt" >&2
  exit 2
fi

ensure_e2e_user
work=$(mktemp -d /tmp/veilkeep-e2e.XXXXXX)
chmod 755 "$work"
# The account must be able to reach its folder: some minimal systems (a root
# file system unpacked from an archive) leave / or /tmp closed to others.
dir=""
for part in $(tr '/' ' ' <<<"$work"); do
  if ! as_e2e_user test -x "${dir:-/}" 2>/dev/null; then
    echo "run.sh: letting other accounts pass through ${dir:-/} (it was $(stat -c %A "${dir:-/}"))" >&2
    chmod o+x "${dir:-/}"
  fi
  dir=$dir/$part
done
run=$work/run  # everything the account owns
small=$run/small
cleanup() {
  if [[ -n ${WINEPREFIX:-} ]]; then as_e2e_user wineserver -k >/dev/null 2>&1 </dev/null || true; fi
  mountpoint -q "$small" 2>/dev/null && umount "$small" 2>/dev/null || true
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The account's own copy of the build: the checkout may sit where it cannot read.
mkdir -p "$run/build" "$small" "$work/locked/Locked Folder"
cp "$build/Veilkeep.exe" "$build/veilkeep_e2e.exe" "$run/build/"
cp -r "$build/ico" "$run/build/ico"
chown -R "$E2E_USER:" "$run"
# A file system of 2 MiB of its own, for the full-disk scenario.
uid=$(id -u "$E2E_USER")
gid=$(id -g "$E2E_USER")
mount -t tmpfs -o "size=2m,mode=0755,uid=$uid,gid=$gid" veilkeep-small "$small"
# A folder owned by root: the account may look at it but not change its attributes.
chmod 755 "$work/locked" "$work/locked/Locked Folder"

start_xvfb
export WINEPREFIX=$run/prefix
as_e2e_user bash -c "$(declare -f start_wine); start_wine"
winpath() { as_e2e_user winepath -w "$1" 2>/dev/null </dev/null; }
build_win=$(winpath "$run/build")
small_win=$(winpath "$small")
locked_win=$(winpath "$work/locked/Locked Folder")

# Web addresses go to the driver instead of a browser: it records each one in
# a file. HKCU would take precedence over HKLM: a fresh prefix has none there.
url_log_win=$(winpath "$run/urls.txt")
if ! as_e2e_user wine reg add 'HKLM\Software\Classes\http\shell\open\command' /ve \
  /d "\"$build_win\\veilkeep_e2e.exe\" --record-url \"$url_log_win\" \"%1\"" /f \
  >/dev/null 2>&1 </dev/null; then
  echo "run.sh: could not register the http handler in the Wine prefix" >&2
  exit 2
fi

# Wine's own remarks (and the program's) go to a log, shown only on failure.
# drive ARGS...: runs the driver in the current session and adds up its counts.
passed=0
failed=0
code=0
drive() {
  local status counts
  set +e
  # Once the driver ends, so does every program it left in the prefix: one
  # that crashed (held by the debugger), or hangs, would hold the pipe open.
  (
    as_e2e_user timeout 600 wine "$run/build/veilkeep_e2e.exe" "$build_win" --host "$host" \
      --url-log "$url_log_win" --small-disk "$small_win" --locked "$locked_win" "$@" \
      </dev/null 2>"$work/stderr.log"
    driver=$?
    as_e2e_user wineserver -k >/dev/null 2>&1 </dev/null
    exit $driver
  ) | tee "$work/driver.log"
  status=${PIPESTATUS[0]}
  set -e
  counts=$(tr -d '\r' <"$work/driver.log" | sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' |
    tail -n 1)
  if [[ -z $counts ]]; then
    echo "run.sh: the driver ended without its count of checks" >&2
    counts="0 1"
  fi
  passed=$((passed + ${counts%% *}))
  failed=$((failed + ${counts##* }))
  if [[ $status -ne 0 ]]; then
    code=$status
    [[ $status -eq 124 ]] && echo "run.sh: the driver did not finish within 600 s" >&2
    if [[ -s $work/stderr.log ]]; then
      echo "run.sh: standard error of the run:" >&2
      tail -n 200 "$work/stderr.log" >&2
    fi
  fi
}

# Starts the session anew with the screen at $1 DPI. Windows gives a monitor
# its DPI when the user signs in, and Wine 10 when a session starts: a
# program started later in the same session keeps the old DPI.
restart_session_at() {
  as_e2e_user wineserver -k >/dev/null 2>&1 </dev/null || true
  as_e2e_user wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
    >/dev/null 2>&1 </dev/null
  as_e2e_user wineserver -k >/dev/null 2>&1 </dev/null || true
  as_e2e_user bash -c "$(declare -f start_wine); start_wine"
}

echo "run.sh: running as $E2E_USER (uid $uid) on display $DISPLAY, locale $LANG" >&2
start=$SECONDS
drive "${only[@]}"  # at 96 DPI
# The status bar and the found folders' window follow the DPI: each again at
# 120, 144 and 192 DPI, the found folders' window at 360 DPI too (a custom
# scale, 375%, where the main window outgrows this screen), when it is among
# the scenarios named (or none is).
declare -A scales=([StatusBarHeight]="120 144 192" [FoundWindowLayout]="120 144 192 360")
for dpi in 120 144 192 360; do
  scaled=()
  for name in StatusBarHeight FoundWindowLayout; do
    if [[ " ${scales[$name]} " == *" $dpi "* &&
          (${#only[@]} -eq 0 || " ${*:2} " == *" $name "*) ]]; then
      scaled+=(--only "$name")
    fi
  done
  if [[ ${#scaled[@]} -eq 0 ]]; then continue; fi
  if [[ " ${*:2} " == *" --first-failure "* ]]; then scaled+=(--first-failure); fi
  restart_session_at "$dpi"
  drive "${scaled[@]}"
done
echo "run.sh: driver exit code $code after $((SECONDS - start)) s" >&2
echo "total: $passed passed, $failed failed"
[[ $code -eq 0 && $failed -eq 0 ]] || exit $((code ? code : 1))
