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

# The main window's place and size on the screen, as "WxH+X+Y", or nothing.
window_geometry() {
  xwininfo -name "Veilkeep - By Orvanta" 2>/dev/null | awk '
    /Absolute upper-left X:/ {x = $NF} /Absolute upper-left Y:/ {y = $NF}
    /Width:/ {w = $NF} /Height:/ {h = $NF} /Map State: IsViewable/ {shown = 1}
    END {if (shown && w > 1 && h > 1) printf "%dx%d+%d+%d\n", w, h, x, y}'
}

# Wine shows the window first at a provisional size and place; wait until
# both have held still for a second, so that the crop is the window exactly.
geometry=""
steady=0
for _ in $(seq 1 150); do
  now=$(window_geometry || true)
  if [ -n "$now" ] && [ "$now" = "$geometry" ]; then
    steady=$((steady + 1))
    [ "$steady" -ge 5 ] && break
  else
    steady=0
  fi
  geometry=$now
  sleep 0.2
done
if [ -z "$geometry" ] || [ "$steady" -lt 5 ]; then
  echo "The main window did not appear and settle (last seen: ${geometry:-nothing})" >&2
  exit 1
fi
sleep 0.5  # let it finish painting
import -window root -crop "$geometry" +repage "$shot"
echo "Screenshot of the main window ($geometry): $shot"
