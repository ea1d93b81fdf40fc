#!/usr/bin/env bash
# Builds Veilkeep.exe and starts it under Wine: on your display when there is
# one, otherwise in a virtual display, taking a screenshot of the main window.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$ROOT"

bash scripts/deps.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j"$(nproc)" --target Veilkeep
exe="$ROOT/build/mingw/Veilkeep.exe"
export WINEPREFIX=${WINEPREFIX:-$HOME/.cache/veilkeep/wineprefix}

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Starting $exe (Wine prefix $WINEPREFIX)"
  exec wine "$exe"
fi

shot=${VEILKEEP_SCREENSHOT:-$ROOT/build/screenshot.png}
trap 'stop_wine; stop_xvfb' EXIT
start_xvfb
start_wine
wine "$exe" >/dev/null 2>&1 </dev/null &
geometry=""
for _ in $(seq 1 100); do
  geometry=$(xwininfo -root -tree 2>/dev/null | grep '"Veilkeep - By Orvanta"' | grep -oE '[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+' | head -n 1) || true
  [ -n "$geometry" ] && break
  sleep 0.1
done
if [ -z "$geometry" ]; then
  echo "The main window did not appear" >&2
  exit 1
fi
sleep 1  # let it finish painting
import -window root -crop "$geometry" +repage "$shot"
echo "Screenshot of the main window: $shot"
