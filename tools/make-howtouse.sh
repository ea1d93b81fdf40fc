#!/usr/bin/env bash
# Makes resources/howtouse.bmp, the picture shown by the How To Use window,
# from a real screenshot of Veilkeep's main window:
#
#   1. builds Veilkeep.exe (cmake preset "mingw"; incremental),
#   2. copies it with its ico folder into a temporary program folder whose
#      data.bin lists one folder, F:\New Folder (drive F: of a private Wine
#      prefix points at a temporary folder holding "New Folder"),
#   3. runs it under Wine on a private Xvfb display (number 150 or above) and
#      takes a screenshot of the main window (its client area: there is no
#      window manager, so no frame),
#   4. draws a window frame with its title bar around the screenshot, and the
#      notes with their arrows pointing at Add, Delete, Open, Hide and the
#      status bar,
#   5. writes the 521 x 330 picture as a 256-colour BMP compressed with RLE8,
#      and a PNG copy to build/howtouse.png for viewing.
#
# Usage: tools/make-howtouse.sh [--check] [--screenshot PNG] [--keep-screenshot PNG]
#   --check                 then rebuild Veilkeep.exe with the new picture, open
#                           its How To Use window (toolbar button Help), save a
#                           screenshot of it to build/howtouse-window.png and
#                           check that it shows the picture (needs xdotool)
#   --screenshot PNG        compose from a screenshot of the main window's client
#                           area taken before (498 x 278 px): steps 1 to 3 skipped
#   --keep-screenshot PNG   save the screenshot of step 3 there too
#
# Needs what scripts/deps.sh installs: CMake and MinGW-w64, wine, Xvfb,
# x11-utils (xwininfo, xdpyinfo), imagemagick, and the DejaVu fonts
# (fonts-dejavu-core, which fontconfig pulls in).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck disable=SC1091  # scripts/lib.sh, found at run time
source "$here/../scripts/lib.sh"  # ROOT, WINEDEBUG, WINEDLLOVERRIDES, start/stop helpers

out_bmp="$ROOT/resources/howtouse.bmp"
out_png="$ROOT/build/howtouse.png"
caption="Veilkeep - By Orvanta"

given_shot=""
keep_shot=""
check=""
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) given_shot="$(realpath "$2")"; shift 2 ;;
    --keep-screenshot) keep_shot="$(realpath -m "$2")"; shift 2 ;;
    --check) check=1; shift ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "make-howtouse: unknown argument: $1" >&2; exit 2 ;;
  esac
done

# ImageMagick: the real Debian binaries, never a wrapper earlier in PATH.
CONVERT=/usr/bin/convert
IMPORT=/usr/bin/import
COMPARE=/usr/bin/compare
need=("$CONVERT" "$IMPORT" "$COMPARE")
[ -n "$given_shot" ] && [ -z "$check" ] || need+=(Xvfb wine wineserver xwininfo xdpyinfo cmake)
[ -z "$check" ] || need+=(xdotool)
for tool in "${need[@]}"; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "make-howtouse: '$tool' not found; run: bash scripts/deps.sh" >&2
    exit 1
  fi
done
font_regular="$(fc-match -f '%{file}' 'DejaVu Sans:style=Book' 2>/dev/null || true)"
case "$font_regular" in
  */DejaVuSans.ttf) ;;
  *) echo "make-howtouse: the DejaVu Sans font is missing (apt-get install fonts-dejavu-core)" >&2
     exit 1 ;;
esac

session_started=""
work="$(mktemp -d "${TMPDIR:-/tmp}/veilkeep-howtouse.XXXXXX")"
XVFB_PID=""
cleanup() {
  if [ -n "$session_started" ]; then stop_wine; fi
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---------------------------------------------------------------------------
# The screenshot of the real program.

# Xvfb on the first free display from :150 up (lib.sh's start_xvfb starts at :99).
start_own_xvfb() {
  local n=150
  while [ "$n" -lt 250 ]; do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
      XVFB_PID=$!
      export DISPLAY=":$n"
      for _ in $(seq 1 50); do
        if xdpyinfo >/dev/null 2>&1; then return 0; fi
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
      done
      stop_xvfb  # lost a race for this number: try the next one
      XVFB_PID=""
    fi
    n=$((n + 1))
  done
  echo "make-howtouse: Xvfb did not start" >&2
  return 1
}

# Prints 1 when the list's first row (y 58..70) is one colour from x 150 to 380
# and that colour is neither the list's white nor the window's grey: the entry
# is drawn selected, with the focus.
entry_selected() {
  "$CONVERT" "$1" \( +clone -crop 230x9+150+60 +repage -format '%k ' -write info: +delete \) \
    -crop 1x1+150+64 +repage -format '%[hex:u.p{0,0}]\n' info: |
    awk '{ print ($1 == 1 && $2 != "FFFFFF" && $2 != "F5F5F5") ? 1 : 0 }'
}

# Builds the exe, makes the program folder, the display, the Wine prefix and
# its drive F:. Sets prog.
start_session() {
  [ -z "$session_started" ] || return 0
  build_exe
  # The program folder: the exe, its pictures and a list of one folder.
  prog="$work/program"
  local drive="$work/drive-f"
  mkdir -p "$prog" "$drive/New Folder"
  cp -r "$ROOT/build/mingw/ico" "$prog/"
  printf '%s' 'F:\New Folder;' >"$prog/data.bin"

  export WINEPREFIX="$work/prefix"
  session_started=1  # from here on, the cleanup stops this prefix's wineserver
  start_own_xvfb
  echo "make-howtouse: preparing a Wine prefix on display $DISPLAY..."
  start_wine
  ln -sfn "$drive" "$WINEPREFIX/dosdevices/f:"
}

build_exe() {
  (
    cd "$ROOT"
    [ -f build/mingw/CMakeCache.txt ] || cmake --preset mingw >/dev/null
    cmake --build --preset mingw -j"$(nproc)" --target Veilkeep >/dev/null
  )
}

# Geometry (WxH+X+Y) of the top-level window with this exact title, or nothing.
window_geometry() {
  xwininfo -root -tree 2>/dev/null | grep -F "\"$1\": (" |
    grep -oE '[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+' | head -n 1 || true
}

# wait_for_window TITLE SIZE CHECK OUT: shoots the window until it has SIZE
# (WxH), the command CHECK (given the shot) prints 1, and two shots in a row
# are the same (painting is over); the last shot goes to OUT and its geometry
# to the variable "geometry". Gives up after 30 s.
wait_for_window() {
  local title="$1" size="$2" check="$3" out="$4" previous=""
  geometry=""
  for _ in $(seq 1 150); do
    sleep 0.2
    geometry=$(window_geometry "$title")
    case "$geometry" in "$size+"*) ;; *) continue ;; esac
    "$IMPORT" -window root -crop "$geometry" +repage "$work/shot-new.png" || continue
    if [ "$previous" = "$geometry" ] && [ "$("$check" "$work/shot-new.png")" = 1 ] &&
      [ "$("$CONVERT" "$work/shot-old.png" "$work/shot-new.png" -compose difference \
        -composite -format '%[fx:maxima]' info:)" = 0 ]; then
      mv "$work/shot-new.png" "$out"
      return 0
    fi
    mv "$work/shot-new.png" "$work/shot-old.png"
    previous="$geometry"
  done
  echo "make-howtouse: the window \"$title\" did not appear as expected (last seen: ${geometry:-nowhere})" >&2
  return 1
}

always() { echo 1; }

# Starts the program (the exe as built now) and waits for its main window,
# drawn with the entry selected; the shot of its client area goes to $1.
# The window is created at a default size and then given its own.
run_program() {
  stop_wine  # ends a copy still running
  cp "$ROOT/build/mingw/Veilkeep.exe" "$prog/"
  (cd "$prog" && exec wine Veilkeep.exe >/dev/null 2>&1 </dev/null) &
  wait_for_window "$caption" "${CW}x${CH}" entry_selected "$1"
  main_geometry="$geometry"
}

# With the exe rebuilt around the new picture: opens the How To Use window
# (toolbar button Help) and checks that it shows the picture, pixel for pixel.
check_window() {
  local picture_png="$1" window_png="$2"
  echo "make-howtouse: rebuilding Veilkeep.exe with the picture and opening How To Use..."
  build_exe
  start_session
  run_program "$work/main.png"
  local x y
  x=$(echo "$main_geometry" | cut -d+ -f2)
  y=$(echo "$main_geometry" | cut -d+ -f3)
  xdotool mousemove $((x + 33)) $((y + 20)) click 1
  # The window is the picture's size at 96 DPI (521 x 329) plus the frame Wine draws.
  local title="  How To Use" g=""
  for _ in $(seq 1 100); do
    g=$(window_geometry "$title")
    [ -n "$g" ] && break
    sleep 0.1
  done
  wait_for_window "$title" "${g%%+*}" always "$window_png"
  local ww wh left top
  ww=${g%%x*}; wh=${g%%+*}; wh=${wh#*x}
  left=$(((ww - W) / 2)); top=$((wh - (H - 1) - left))
  local differ
  "$CONVERT" "$window_png" -crop "${W}x$((H - 1))+$left+$top" +repage "$work/shown.png"
  "$CONVERT" "$picture_png" -crop "${W}x$((H - 1))+0+0" +repage "$work/drawn.png"
  differ=$("$COMPARE" -metric AE "$work/shown.png" "$work/drawn.png" null: 2>&1 || true)
  echo "make-howtouse: screenshot of the How To Use window: $window_png"
  if [ "$differ" = 0 ]; then
    echo "make-howtouse: check passed: the How To Use window shows the picture"
  else
    echo "make-howtouse: CHECK FAILED: $differ pixels of the How To Use window differ from the picture" >&2
    return 1
  fi
}

# ---------------------------------------------------------------------------
# The picture.

W=521 H=330                # the picture
CW=498 CH=278              # the main window's client area (the screenshot)
BORDER=4 TITLE=24          # the frame drawn around it
WW=$((CW + 2 * BORDER)) WH=$((CH + 2 * BORDER + TITLE))
WX=$(((W - WW) / 2)) WY=$(((H - WH) / 2))  # the window's top-left corner
CX=$((WX + BORDER)) CY=$((WY + BORDER + TITLE))  # the client area's top-left corner

BACKDROP='#e3e8ee'
FRAME_EDGE='#6e7f94'
FRAME_TOP='#dfe8f3' FRAME_BOTTOM='#cbd8e8'
CLIENT_EDGE='#9aa9bb'
TITLE_TEXT='#1c2836'
ARROW='#a3201b'
NOTE_TEXT='#6e1411'
NOTE_FILL='#fff9e8'
NOTE_EDGE='#d9a89b'
NOTE_SIZE=12

# Text width in pixels at the notes' size.
text_width() {
  "$CONVERT" -font "$font_regular" -pointsize "$NOTE_SIZE" label:"$1" -format '%w' info:
}

# Draw primitives of an arrow from (x1,y1) to its tip at (x2,y2), in picture coordinates.
arrow_shaft() {
  awk -v x1="$1" -v y1="$2" -v x2="$3" -v y2="$4" 'BEGIN {
    dx = x2 - x1; dy = y2 - y1; d = sqrt(dx * dx + dy * dy); ux = dx / d; uy = dy / d
    printf "line %.2f,%.2f %.2f,%.2f", x1, y1, x2 - ux * 8, y2 - uy * 8 }'
}
arrow_head() {
  awk -v x1="$1" -v y1="$2" -v x2="$3" -v y2="$4" 'BEGIN {
    dx = x2 - x1; dy = y2 - y1; d = sqrt(dx * dx + dy * dy); ux = dx / d; uy = dy / d
    L = 11; hw = 5; bx = x2 - ux * L; by = y2 - uy * L
    printf "polygon %.2f,%.2f %.2f,%.2f %.2f,%.2f", x2, y2, bx - uy * hw, by + ux * hw, bx + uy * hw, by - ux * hw }'
}

notes_args=()  # ImageMagick arguments drawing every note and arrow
# note TEXT LEFT TOP ARROW_FROM_X ARROW_FROM_Y TIP_X TIP_Y, in client coordinates;
# LEFT may be "right:X" to end the box at X.
note() {
  local text="$1" left="$2" top="$3" fx="$4" fy="$5" tx="$6" ty="$7"
  local tw bw bh=20
  tw=$(text_width "$text")
  bw=$((tw + 12))
  case "$left" in right:*) left=$((${left#right:} - bw)) ;; esac
  [ "$fx" = box-right ] && fx=$((left + bw)) && fy=$((top + bh / 2))
  [ "$fx" = box-bottom ] && fx=$((left + 22)) && fy=$((top + bh))
  local x0=$((CX + left)) y0=$((CY + top))
  local ax=$((CX + fx)) ay=$((CY + fy)) bx=$((CX + tx)) by=$((CY + ty))
  notes_args+=(
    -stroke "$NOTE_EDGE" -strokewidth 1 -fill "$NOTE_FILL"
    -draw "roundrectangle $x0.5,$y0.5 $((x0 + bw)).5,$((y0 + bh)).5 4,4"
    -stroke "$ARROW" -strokewidth 2 -fill none -draw "$(arrow_shaft "$ax" "$ay" "$bx" "$by")"
    -stroke "$ARROW" -strokewidth 0.5 -fill "$ARROW" -draw "$(arrow_head "$ax" "$ay" "$bx" "$by")"
    -stroke none -fill "$NOTE_TEXT" -font "$font_regular" -pointsize "$NOTE_SIZE"
    -gravity NorthWest -annotate "+$((x0 + 6))+$((y0 + 2))" "$text"
  )
}

compose() {
  local shot="$1" picture="$2"
  local size
  size=$("$CONVERT" "$shot" -format '%wx%h' info:)
  if [ "$size" != "${CW}x${CH}" ]; then
    echo "make-howtouse: the screenshot is $size, not ${CW}x${CH} (is Wine at 96 DPI?)" >&2
    return 1
  fi

  # The buttons, in client coordinates: x 398..487, 23 px high, tops at 56 + 28 n.
  local button_left=396 gap=20 notes_right=350
  note "Click Add to add a folder to the list" "right:$notes_right" $((56 + gap)) box-right 0 $button_left $((56 + 11))
  note "Delete selected folder from the list" "right:$notes_right" $((84 + gap)) box-right 0 $button_left $((84 + 11))
  note "Open selected folder" "right:$notes_right" $((112 + gap)) box-right 0 $button_left $((112 + 11))
  note "Hide selected folder" "right:$notes_right" $((140 + gap)) box-right 0 $button_left $((140 + 11))
  # The status bar: "Hidden: False" at the bottom left, under a line at y 258.
  note "Display status of the selected folder" 20 210 box-bottom 0 42 257

  # Caption buttons: minimize, maximize (greyed: the window has no maximize box), close.
  local bt=$((WY + 5)) bb=$((WY + 5 + 17)) cr=$((WX + WW - 6))
  local close_l=$((cr - 30)) max_l=$((cr - 30 - 2 - 24)) min_l=$((cr - 30 - 2 - 24 - 1 - 24))
  "$CONVERT" -size "${W}x${H}" "xc:$BACKDROP" \
    \( -size "${WW}x${WH}" xc:black -bordercolor none -border 8 -blur 0x3.5 \
       -channel A -evaluate multiply 0.28 +channel \) \
    -geometry "+$((WX - 8 + 1))+$((WY - 8 + 3))" -composite \
    \( -size "${WW}x${WH}" "gradient:$FRAME_TOP-$FRAME_BOTTOM" \) \
    -geometry "+$WX+$WY" -composite \
    -fill none -stroke "$FRAME_EDGE" -strokewidth 1 \
    -draw "rectangle $WX,$WY $((WX + WW - 1)),$((WY + WH - 1))" \
    -stroke '#f6f9fc' -draw "line $((WX + 1)),$((WY + 1)) $((WX + WW - 2)),$((WY + 1))" \
    -stroke "$CLIENT_EDGE" \
    -draw "rectangle $((CX - 1)),$((CY - 1)) $((CX + CW)),$((CY + CH))" \
    "$shot" -geometry "+$CX+$CY" -composite \
    \( "$ROOT/resources/veilkeep.ico[7]" \) -geometry "+$((WX + 7))+$((WY + 5))" -composite \
    -stroke none -fill "$TITLE_TEXT" -font "$font_regular" -pointsize 12 \
    -gravity NorthWest -annotate "+$((WX + 29))+$((WY + 6))" "$caption" \
    -stroke '#8a99ad' -strokewidth 1 -fill '#e9eff6' \
    -draw "roundrectangle $min_l.5,$bt.5 $((min_l + 24)).5,$bb.5 2,2" \
    -draw "roundrectangle $max_l.5,$bt.5 $((max_l + 24)).5,$bb.5 2,2" \
    -stroke '#8e2f27' -fill '#c9473c' \
    -draw "roundrectangle $close_l.5,$bt.5 $((close_l + 30)).5,$bb.5 2,2" \
    -stroke "$TITLE_TEXT" -strokewidth 2 \
    -draw "line $((min_l + 8)),$((bb - 5)) $((min_l + 16)),$((bb - 5))" \
    -strokewidth 1 -fill none -stroke '#a9b4c2' \
    -draw "rectangle $((max_l + 8)).5,$((bt + 4)).5 $((max_l + 16)).5,$((bb - 4)).5" \
    -draw "line $((max_l + 8)),$((bt + 5)).5 $((max_l + 16)),$((bt + 5)).5" \
    -stroke white -strokewidth 2 \
    -draw "line $((close_l + 11)),$((bt + 5)) $((close_l + 19)),$((bb - 5))" \
    -draw "line $((close_l + 19)),$((bt + 5)) $((close_l + 11)),$((bb - 5))" \
    "${notes_args[@]}" \
    -alpha off +repage "$work/picture.png"

  mkdir -p "$(dirname "$out_png")"
  # 256 colours, no dithering (flat areas keep runs for RLE8).
  "$CONVERT" "$work/picture.png" -dither None -colors 256 -type Palette "$work/picture-256.png"
  cp "$work/picture-256.png" "$out_png"
  "$CONVERT" "$work/picture-256.png" -compress RLE "BMP3:$picture"
}

# ---------------------------------------------------------------------------

if [ -n "$given_shot" ]; then
  shot="$given_shot"
else
  shot="$work/screenshot.png"
  start_session
  run_program "$shot"
  stop_wine
  [ -z "$keep_shot" ] || cp "$shot" "$keep_shot"
fi
compose "$shot" "$work/howtouse.bmp"
mv "$work/howtouse.bmp" "$out_bmp"
echo "make-howtouse: wrote $out_bmp ($("$CONVERT" "$out_bmp" -format '%wx%h, %[colors] colours' info:), $(stat -c %s "$out_bmp") bytes)"
echo "make-howtouse: PNG copy for viewing: $out_png"
[ -z "$check" ] || check_window "$out_png" "$ROOT/build/howtouse-window.png"
