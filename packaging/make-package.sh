#!/usr/bin/env bash
# Makes the portable zip and SHA256SUMS beside it. The same sources give the
# same bytes: every file and folder carries the commit's time, entries go in
# one order, and the zip keeps no owner, permissions or extra time stamps.
#
#   make-package.sh EXE ICO_DIR README OUT_DIR NAME SOURCE_DIR
set -euo pipefail
exe=$1 ico=$2 readme=$3 out=$4 name=$5 source=$6
# The commit's time; a tree that is not a checkout gets the earliest zip time.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct 2>/dev/null || echo 315532800)}

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name/ico"
cp "$exe" "$stage/$name/Veilkeep.exe"
cp "$ico"/[1-5].ico "$stage/$name/ico/"
cp "$readme" "$stage/$name/README.txt"
find "$stage/$name" -type d -exec chmod 755 {} +
find "$stage/$name" -type f -exec chmod 644 {} +
find "$stage/$name" -exec touch -d "@$epoch" {} +

rm -f "$out/$name.zip" "$out/SHA256SUMS"
(cd "$stage" && find "$name" | LC_ALL=C sort | TZ=UTC zip -X -q "$out/$name.zip" -@)
(cd "$out" && sha256sum "$name.zip" >SHA256SUMS)
echo "$out/$name.zip"
cat "$out/SHA256SUMS"
