#!/usr/bin/env bash
# Makes the portable zip and SHA256SUMS beside it. The same sources give the
# same bytes: every file and folder carries the commit's time, entries go in
# one order, and the zip keeps no owner, permissions or extra time stamps.
# Veilkeep.exe, its ico folder and the read-me are at the zip's top, with no
# folder around them: a package manager that unpacks it into the program's
# folder, and later replaces or removes what it unpacked, then leaves the
# data.bin the program wrote there alone.
# Given a certificate and its key, the zip holds Veilkeep.exe signed with them
# (a signature carries its own time, so a signed zip is not reproducible).
#
#   [SIGN_CERT=FILE SIGN_KEY=FILE [SIGN_URL=URL] [SIGN_TIMESTAMP=URL]] \
#     make-package.sh EXE ICO_DIR README OUT_DIR NAME SOURCE_DIR
set -euo pipefail
exe=$1 ico=$2 readme=$3 out=$4 name=$5 source=$6
cert=${SIGN_CERT:-} key=${SIGN_KEY:-}
if { [ -n "$cert" ] && [ -z "$key" ]; } || { [ -z "$cert" ] && [ -n "$key" ]; }; then
  echo "make-package.sh: a signature needs both the certificate and its key" >&2
  exit 2
fi
# The commit's time; a tree that is not a checkout gets the earliest zip time.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct 2>/dev/null || echo 315532800)}

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/ico"
if [ -n "$cert" ]; then
  osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n Veilkeep ${SIGN_URL:+-i "$SIGN_URL"} \
    ${SIGN_TIMESTAMP:+-ts "$SIGN_TIMESTAMP"} -in "$exe" -out "$stage/Veilkeep.exe" >/dev/null
  echo "Veilkeep.exe signed with $cert"
else
  cp "$exe" "$stage/Veilkeep.exe"
fi
cp "$ico"/[1-5].ico "$stage/ico/"
cp "$readme" "$stage/README.txt"
find "$stage" -type d -exec chmod 755 {} +
find "$stage" -type f -exec chmod 644 {} +
find "$stage" -exec touch -d "@$epoch" {} +

rm -f "$out/$name.zip" "$out/SHA256SUMS"
(cd "$stage" && find . -mindepth 1 | cut -c3- | LC_ALL=C sort | TZ=UTC zip -X -q "$out/$name.zip" -@)
(cd "$out" && sha256sum "$name.zip" >SHA256SUMS)
echo "$out/$name.zip"
cat "$out/SHA256SUMS"
