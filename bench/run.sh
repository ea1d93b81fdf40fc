#!/usr/bin/env bash
# Benchmarks, one command each:
#   bash bench/run.sh startup-empty   start-up with no data.bin, against both floors
#   bash bench/run.sh startup-large   start-up with 32,767 entries, their folders there,
#                                     against both floors (and the same controls showing 32,767 rows)
#   bash bench/run.sh startup-large-elsewhere   the same entries, made on another computer:
#                                     none of their folders here
#   bash bench/run.sh startup-network start-up with entries on a network drive not
#                                     reached, then the same entries on C:
#   bash bench/run.sh commands        Add, Delete, Hide, Unhide, selection at 32,767 entries
#   bash bench/run.sh footprint       exe size, imported DLLs, peak memory at 32,767 entries
#   bash bench/run.sh codec           the list-file codec natively, beside memchr
#   bash bench/run.sh idle            CPU used in 30 s of waiting, 32,767 entries, data.bin watched
#   bash bench/run.sh find-hidden     /find-hidden over 10,000 folders against a walk of them alone
#   bash bench/run.sh hide-all        /hide-all over 1,000 listed folders against a program
#                                     that only sets the same attributes on them
# The floors: veilkeep_floor, a bare window; veilkeep_floor_controls, the same
# window and controls as Veilkeep, idle, with no list. veilkeep_floor_rows is
# the latter showing 32,767 rows; the commands benchmark also has it do the
# commands' work on its controls.
# RUNS (default 15) sets how many rounds the start-up benchmarks make.
# BENCH_MINGW_DIR and BENCH_NATIVE_DIR build in other folders than the presets'
# (build/mingw, build/native); BENCH_WINEPREFIX moves the Wine prefix.
# BENCH_ALSO=OTHER/Veilkeep.exe times another build of Veilkeep (an earlier
# commit's, say) in the same turns of the start-up benchmarks, as
# Veilkeep_also.exe: before and after, measured side by side.
set -euo pipefail
source "$(dirname "$0")/../scripts/lib.sh"
cd "$ROOT"
what=${1:?usage: bench/run.sh startup-empty|startup-large|startup-large-elsewhere|startup-network|commands|footprint|codec|idle|find-hidden|hide-all}
runs=${RUNS:-15}

if [ "$what" = codec ]; then
  if [ -n "${BENCH_NATIVE_DIR:-}" ]; then
    native=$BENCH_NATIVE_DIR
    [ -f "$native/CMakeCache.txt" ] || cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  else
    native=build/native
    cmake --preset native >/dev/null
  fi
  cmake --build "$native" -j"$(nproc)" --target codec_bench >/dev/null
  exec "$native/codec_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
fi

if [ -n "${BENCH_MINGW_DIR:-}" ]; then
  build=$BENCH_MINGW_DIR
  [ -f "$build/CMakeCache.txt" ] ||
    cmake -S . -B "$build" --toolchain cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
      >/dev/null
else
  build=build/mingw
  cmake --preset mingw >/dev/null
fi
cmake --build "$build" -j"$(nproc)" >/dev/null
work=$(mktemp -d)
export WINEPREFIX="${BENCH_WINEPREFIX:-$ROOT/build/bench-prefix}"
trap 'stop_wine; stop_xvfb; rm -rf "$work"' EXIT
start_xvfb
start_wine
cp -r "$build/Veilkeep.exe" "$build/ico" "$build/veilkeep_floor.exe" \
  "$build/veilkeep_floor_controls.exe" "$build/veilkeep_floor_rows.exe" "$work/"
also=()
if [ -n "${BENCH_ALSO:-}" ]; then
  cp "$BENCH_ALSO" "$work/Veilkeep_also.exe"
  also=("$work/Veilkeep_also.exe")
fi
win() { winepath -w "$1" 2>/dev/null; }

# 32,767 entries of 40 to 60 characters.
large_list() {
  awk 'BEGIN {
    srand(32767)
    for (i = 0; i < 32767; i++) {
      entry = sprintf("C:\\Users\\Someone\\Documents\\Folder %05d ", i)
      while (length(entry) < 60) entry = entry "x"
      printf "%s;", substr(entry, 1, 40 + int(rand() * 21))
    }
  }' >"$1"
}

# startup [EXTRA_FLOOR.exe...]: Veilkeep against both floors (and any extra one), in turns.
startup() {
  local floors=("$work/veilkeep_floor.exe" "$work/veilkeep_floor_controls.exe" "$@")
  local args=()
  for exe in "${floors[@]}"; do args+=("$(win "$exe")"); done
  wine "$build/veilkeep_bench_startup.exe" "$runs" "$(win "$work/Veilkeep.exe")" "${args[@]}" \
    2>/dev/null
}

case "$what" in
  startup-empty)
    startup "${also[@]}"
    ;;
  startup-large | startup-large-elsewhere)
    large_list "$work/data.bin"
    # Run from the prefix's Z: drive, a drive that may have travelled: the
    # stick's entries are looked up, here or not.
    documents="$WINEPREFIX/drive_c/users/Someone/Documents"
    rm -rf "$documents"
    if [ "$what" = startup-large ]; then
      mkdir -p "$documents"
      awk -v RS=';' 'NF { sub(/^C:\\Users\\Someone\\Documents\\/, ""); printf "%s%c", $0, 0 }' \
        "$work/data.bin" | (cd "$documents" && xargs -0 mkdir -p)
    fi
    # A third figure for where the time goes: the same controls with as many
    # rows shown (Wine's list view drawing them), which is not a floor to meet.
    startup "$work/veilkeep_floor_rows.exe" "${also[@]}"
    ;;
  startup-network)
    # A list whose entries lie on a network drive that cannot be reached
    # (Y:, typed "network" for Wine, mapped to nothing), against the same
    # entries on C:, each against the floors: a start that looked at the
    # dead drive would wait for it.
    stop_wine
    wine reg add 'HKLM\Software\Wine\Drives' /v y: /d network /f >/dev/null 2>&1
    stop_wine
    start_wine
    for letter in Y C; do
      for i in 1 2 3 4 5 6 7 8; do printf '%s:\\Shared\\Photos %d;' "$letter" "$i"; done \
        >"$work/data.bin"
      echo "== entries on $letter:"
      startup
    done
    ;;
  footprint)
    exe=$build/Veilkeep.exe
    echo "exe size: $(stat -c %s "$exe") bytes ($(( $(stat -c %s "$exe") / 1024 )) KiB)"
    echo "imports: $(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}' | tr '\n' ' ')"
    large_list "$work/data.bin"
    runs=5 startup
    ;;
  commands)
    large_list "$work/data.bin"
    wine "$build/veilkeep_bench_commands.exe" "$(win "$work")" 2>/dev/null
    ;;
  idle)
    # Veilkeep, and the Wine server that carries its change notifications,
    # over 30 s in which nothing happens; the same controls without any
    # watching beside it, in a server of its own.
    large_list "$work/data.bin"
    ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
    hz=$(getconf CLK_TCK)
    for exe in Veilkeep.exe veilkeep_floor_controls.exe; do
      wineserver -k >/dev/null 2>&1 || true
      start_wine
      wine "$work/$exe" >/dev/null 2>&1 &
      sleep 8
      # This run's own processes: others may run on the machine.
      pid=$(pgrep -f "$(basename "$work").$exe" | head -n 1)
      server=
      for candidate in $(pgrep wineserver); do
        if tr '\0' '\n' <"/proc/$candidate/environ" | grep -qx "WINEPREFIX=$WINEPREFIX"; then
          server=$candidate
        fi
      done
      before=$(ticks "$pid") server_before=$(ticks "$server")
      sleep 30
      after=$(ticks "$pid") server_after=$(ticks "$server")
      echo "$exe: $(( (after - before) * 1000 / hz )) ms of CPU in 30 s idle;" \
        "its wineserver $(( (server_after - server_before) * 1000 / hz )) ms"
      kill "$pid" 2>/dev/null || true
    done
    ;;
  find-hidden)
    # 10,000 folders: 10, 9 in each, 110 in each of those. RUNS rounds (default 11).
    mkdir -p "$work/tree"
    (cd "$work/tree" && mkdir -p {1..10}/{1..9}/{1..110})
    cp "$build/veilkeep_floor_walk.exe" "$work/"
    wine "$build/veilkeep_bench_find_hidden.exe" "${RUNS:-11}" "$(win "$work/Veilkeep.exe")" \
      "$(win "$work/veilkeep_floor_walk.exe")" "$(win "$work/tree")" 2>/dev/null
    ;;
  hide-all)
    # 1,000 folders listed in data.bin beside Veilkeep.exe. RUNS rounds (default 11).
    mkdir -p "$work/folders"
    (cd "$work/folders" && mkdir -p {1..1000})
    folders=$(win "$work/folders")
    for i in $(seq 1 1000); do printf '%s\\%d;' "$folders" "$i"; done >"$work/data.bin"
    cp "$build/veilkeep_floor_hide_all.exe" "$work/"
    wine "$build/veilkeep_bench_hide_all.exe" "${RUNS:-11}" "$(win "$work/Veilkeep.exe")" \
      "$(win "$work/veilkeep_floor_hide_all.exe")" 2>/dev/null
    ;;
  *)
    echo "unknown benchmark: $what" >&2
    exit 2
    ;;
esac
