#!/usr/bin/env bash
# Builds Veilkeep's .ico files from the hand-drawn SVG sources in tools/icons/.
#
#   resources/veilkeep.ico      program icon (tools/icons/app.svg):
#                               48, 32, 24, 16 px, each in 256 colours (8-bit palette)
#                               and in 32-bit colour with alpha, all stored as BMP
#   resources/ico/N.ico         toolbar pictures (tools/icons/N.svg, N = 1..5):
#                               16, 20, 24, 32, 48 px in 32-bit colour with alpha, stored as BMP
#
# Needs: rsvg-convert (librsvg2-bin), icotool (icoutils), convert (imagemagick).
# Runs from any directory; output is the same on every run for the same tools.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
src="$root/tools/icons"
out="$root/resources"

# ImageMagick: prefer the real Debian binary over any wrapper earlier in PATH.
if [ -x /usr/bin/convert ]; then
  CONVERT=/usr/bin/convert
elif command -v convert >/dev/null 2>&1; then
  CONVERT="$(command -v convert)"
else
  echo "make-icons: ImageMagick 'convert' not found (apt-get install imagemagick)" >&2
  exit 1
fi
for tool in rsvg-convert icotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "make-icons: '$tool' not found (apt-get install librsvg2-bin icoutils)" >&2
    exit 1
  fi
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# render SVG SIZE -> $work/NAME-SIZE.png (RGBA, no metadata)
render() {
  local name="$1" size="$2"
  rsvg-convert --format=png --width="$size" --height="$size" \
    "$src/$name.svg" --output="$work/$name-$size.png"
}

# to_8bit NAME SIZE -> $work/NAME-SIZE-8.png: at most 255 colours plus a single
# fully transparent colour, alpha cut to on/off (an 8-bit icon has only a 1-bit mask).
to_8bit() {
  local name="$1" size="$2"
  "$CONVERT" "$work/$name-$size.png" \
    -alpha set -channel A -threshold 50% +channel \
    -background black -alpha background \
    -dither None -colors 255 \
    -define png:color-type=6 -strip "$work/$name-$size-8.png"
}

mkdir -p "$out/ico"

# Program icon.
app_sizes=(48 32 24 16)
args8=()
args32=()
for s in "${app_sizes[@]}"; do
  render app "$s"
  to_8bit app "$s"
  args8+=("$work/app-$s-8.png")
  args32+=("$work/app-$s.png")
done
icotool --create --output="$work/veilkeep.ico" \
  --bit-depth=8 "${args8[@]}" --bit-depth=32 "${args32[@]}"
mv -f "$work/veilkeep.ico" "$out/veilkeep.ico"

# Toolbar pictures: 1 settings, 2 help, 3 website, 4 about, 5 support.
bar_sizes=(16 20 24 32 48)
for n in 1 2 3 4 5; do
  files=()
  for s in "${bar_sizes[@]}"; do
    render "$n" "$s"
    files+=("$work/$n-$s.png")
  done
  icotool --create --output="$work/$n.ico" --bit-depth=32 "${files[@]}"
  mv -f "$work/$n.ico" "$out/ico/$n.ico"
done

# Report.
for f in "$out/veilkeep.ico" "$out"/ico/{1,2,3,4,5}.ico; do
  rel="${f#"$root"/}"
  echo "wrote $rel ($(wc -c <"$f") bytes)"
  icotool --list "$f" | sed 's/^/  /'
done
