#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the unit
# tests natively (plain and with sanitizers), then the checks of the built
# exe and the end-to-end tests of the real program under Wine.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$ROOT"
jobs=$(nproc)

bash scripts/deps.sh

echo "== Includes point down the layers"
bash scripts/check-includes.sh
# The check itself: an include up the layers, or across to a layer beside
# its own, added to a copy, must fail it.
for wrong in 'listfile/listfile.h:app/form1.h' 'module1/module1.h:about/toolbar.h'; do
  wrong_copy=$(mktemp -d)
  cp -r src "$wrong_copy/"
  echo "#include \"${wrong#*:}\"" >>"$wrong_copy/src/${wrong%%:*}"
  if bash scripts/check-includes.sh "$wrong_copy/src" >/dev/null 2>&1; then
    echo "FAIL - check-includes.sh let an include from ${wrong%%:*} to ${wrong#*:} through"
    exit 1
  fi
  rm -rf "$wrong_copy"
  echo "ok - an include from ${wrong%%/*} to ${wrong#*:} is caught"
done

echo "== Unit tests"
cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"
ctest --preset native -j"$jobs"

echo "== Unit tests with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
ctest --preset asan -j"$jobs"

# The same seed and number of runs each time, from the committed corpus: the
# verdict is the commit's, not luck's. A longer search with fresh seeds is
# `VEILKEEP_FUZZ_SECONDS=1800 bash scripts/test.sh` (or each target by hand);
# what it finds goes into the corpus.
echo "== Fuzzing (${VEILKEEP_FUZZ_SECONDS:+${VEILKEEP_FUZZ_SECONDS} s a target, fresh seeds}${VEILKEEP_FUZZ_SECONDS:-seed 1, a fixed number of runs})"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$jobs"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# listfile: any data.bin, both writers. form1: sequences of user actions and
# world events against the main window's invariants.
declare -A runs=([listfile]=120000 [form1]=80000)
# A run repeats itself exactly: the corpus folder is not read back while it
# runs (-reload=0, which goes by the clock), and the addresses are the same
# each time (setarch -R, where the system lets a program ask for that).
same_addresses=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
  same_addresses=(setarch "$(uname -m)" -R)
else
  echo "setarch -R is refused here: the fuzzers' runs may differ from one run to the next"
fi
for target in listfile form1; do
  mkdir -p "$work/$target"
  if [ -n "${VEILKEEP_FUZZ_SECONDS:-}" ]; then
    budget=(-max_total_time="$VEILKEEP_FUZZ_SECONDS")
  else
    budget=(-seed=1 -runs="${runs[$target]}")
  fi
  status=0
  "${same_addresses[@]}" build/fuzz/${target}_fuzz "${budget[@]}" -reload=0 -print_final_stats=1 \
    -artifact_prefix="$work/$target-" "$work/$target" "tests/fuzz/${target}_corpus" \
    >"$work/$target.log" 2>&1 || status=$?
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss)|^#[0-9]+[[:space:]]+(INITED|DONE)|ERROR|SUMMARY|crash|invariant' \
    "$work/$target.log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$work/$target.log"
    echo "The $target fuzzer found a failure (exit $status)"
    exit 1
  fi
done

echo "== Windows build"
# The exe check's own reading of a manifest that names Windows 10, then 7:
# the oldest is 7 (6.1), the versions compared as versions, not as text.
both=$(mktemp)
printf '<supportedOS Id="{%s}"/>\n' 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a \
  35138b9a-5d96-4fbd-8e2d-a2440225f93a >"$both"
oldest=$(bash tests/exe/check_exe.sh --oldest-windows "$both")
rm -f "$both"
if [ "$oldest" != 6.1 ]; then
  echo "FAIL - check_exe.sh reads Windows $oldest as the oldest of Windows 10 and 7"
  exit 1
fi
echo "ok - check_exe.sh reads Windows 7 as the oldest of Windows 10 and 7"
cmake --preset mingw -UVEILKEEP_SIGN_CERT -UVEILKEEP_SIGN_KEY >/dev/null
cmake --build --preset mingw -j"$jobs"
bash tests/exe/check_exe.sh build/mingw/Veilkeep.exe
cmake --build build/mingw --target package >/dev/null
bash tests/exe/check_package.sh build/mingw/Veilkeep-*-portable.zip
# The manifest check itself: each fault, made in a copy of the manifests (and
# of CMakeLists.txt, which it reads), must fail it: pre_uninstall running an
# exe outside the app's folder or only while a copy runs, autoupdate naming
# a fixed zip, an oldest Windows older than the calls the exe imports.
zip=$(ls build/mingw/Veilkeep-*-portable.zip)
version=${zip##*/Veilkeep-} version=${version%-portable.zip}
for fault in 'build/Veilkeep.json:s/\$dir\\\\Veilkeep.exe/$env:TEMP\\\\Veilkeep.exe/' \
  "build/Veilkeep.json:s/Veilkeep-\\\$version-/Veilkeep-$version-/" \
  'build/Veilkeep.json:s/-and !(Get-Process/-and (Get-Process/' \
  'build/winget/*.installer.yaml CMakeLists.txt:s/10\.0\.14393\.0/10.0.10240.0/'; do
  copy=$(mktemp -d)
  mkdir -p "$copy/tests/exe" "$copy/build"
  cp tests/exe/check_manifests.py "$copy/tests/exe/" && cp CMakeLists.txt "$copy/"
  cp -r "$zip" build/mingw/SHA256SUMS build/mingw/Veilkeep.json build/mingw/winget "$copy/build/"
  if ! (cd "$copy" && for file in ${fault%%:*}; do
    before=$(md5sum <"$file") && sed -i "${fault#*:}" "$file" && [ "$(md5sum <"$file")" != "$before" ]
  done) || python3 "$copy/tests/exe/check_manifests.py" "$copy/build/${zip##*/}" \
    "$ROOT/../shared/schemas" >/dev/null 2>&1; then
    echo "FAIL - check_manifests.py let a fault through (or it changed nothing): ${fault#*:}"
    exit 1
  fi
  rm -rf "$copy"
  echo "ok - check_manifests.py catches: ${fault#*:}"
done

echo "== Signed package: a throwaway certificate signs the exe; the signature verifies, the exe starts"
keys=$(mktemp -d)
trap 'rm -rf "$work" "$keys"' EXIT
openssl req -x509 -newkey rsa:3072 -nodes -sha256 -days 2 -subj "/CN=Veilkeep test signing" \
  -addext keyUsage=critical,digitalSignature -addext extendedKeyUsage=codeSigning \
  -keyout "$keys/key.pem" -out "$keys/cert.pem" 2>/dev/null
cmake -B build/mingw -DVEILKEEP_SIGN_CERT="$keys/cert.pem" -DVEILKEEP_SIGN_KEY="$keys/key.pem" >/dev/null
cmake --build build/mingw --target package >/dev/null
signed=$keys/build
mkdir -p "$signed"
unzip -q build/mingw/Veilkeep-*-portable.zip Veilkeep.exe -d "$signed"
osslsigncode verify -CAfile "$keys/cert.pem" -in "$signed/Veilkeep.exe"
bash tests/exe/check_package.sh build/mingw/Veilkeep-*-portable.zip
# The signed exe under Wine: it starts and shows its window.
cp -r build/mingw/veilkeep_e2e.exe build/mingw/ico build/mingw/CMakeCache.txt "$signed/"
bash tests/e2e/run.sh "$signed" StartWithoutList
cmake -B build/mingw -UVEILKEEP_SIGN_CERT -UVEILKEEP_SIGN_KEY >/dev/null
cmake --build build/mingw --target package >/dev/null
rm -rf "$keys"

echo "== Reproducible build: two clean checkouts of HEAD, built apart, give the same bytes"
repro=$(mktemp -d)
trap 'rm -rf "$work" "$repro"' EXIT
for n in 1 2; do
  git clone -q "$ROOT" "$repro/checkout-$n"
  (cd "$repro/checkout-$n" && cmake --preset mingw >/dev/null &&
    cmake --build --preset mingw -j"$jobs" --target Veilkeep >/dev/null &&
    cmake --build build/mingw --target package >/dev/null)
done
same=0
files=(Veilkeep.exe 'Veilkeep-*-portable.zip' SHA256SUMS Veilkeep.json 'winget/*.yaml')
for file in "${files[@]}"; do
  one=$(cd "$repro/checkout-1/build/mingw" && sha256sum $file)
  two=$(cd "$repro/checkout-2/build/mingw" && sha256sum $file)
  if [ "$one" = "$two" ]; then
    echo "ok - the same bytes: $one"
    same=$((same + 1))
  else
    echo "FAIL - builds differ: $one / $two"
  fi
done
echo "$same passed, $((${#files[@]} - same)) failed"
[ "$same" -eq ${#files[@]} ]

echo "== End-to-end tests under Wine"
bash tests/e2e/run.sh build/mingw
