#!/usr/bin/env bash
# Fails when an #include in the sources points up the layers.
#
#   scripts/check-includes.sh [SRC_DIR]      (default: src under the repo)
#
# The layers, lowest first. A folder may include its own layer's headers and
# those of the layers before it; folders on one line stand side by side and
# may not include each other. Code outside a win32/ folder is free of
# Windows: it includes no Windows header, no win32/ folder and no resource.h.
set -euo pipefail
layers=(
  "platform"
  "listfile"
  "module1 about search"
  "app"
)
src=${1:-$(cd "$(dirname "$0")/.." && pwd)/src}

rank() {  # rank MODULE: its line in `layers`, or nothing
  local i
  for i in "${!layers[@]}"; do
    [[ " ${layers[$i]} " == *" $1 "* ]] && { echo "$i"; return; }
  done
}

bad=0
while IFS= read -r file; do
  rel=${file#"$src"/}
  own=${rel%%/*}
  own_rank=$(rank "$own")
  windows=0
  [[ /$rel == */win32/* ]] && windows=1
  while IFS= read -r line; do
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1/' <<<"$line")
    why=""
    if [[ $line == *'<'* ]]; then
      case $target in
        windows.h | windowsx.h | commctrl.h | shellapi.h | shlobj.h | shobjidl.h | oleacc.h | ole2.h)
          [[ $windows -eq 1 ]] || why="a Windows header in Windows-free code" ;;
      esac
    elif [[ $target == resource.h ]]; then
      [[ $windows -eq 1 ]] || why="resource.h in Windows-free code"
    elif [[ $target == */* ]]; then
      module=${target%%/*}
      module_rank=$(rank "$module")
      if [[ -z $module_rank ]]; then
        why="a folder that is in no layer"
      elif [[ /$target == */win32/* && $windows -eq 0 ]]; then
        why="a win32 header in Windows-free code"
      elif [[ $module != "$own" && $module_rank -ge $own_rank ]]; then
        why="$module is not below $own"
      fi
    fi
    if [[ -n $why ]]; then
      echo "$rel: #include \"$target\": $why" >&2
      bad=1
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [[ $bad -ne 0 ]]; then
  echo "check-includes: includes point up the layers (${layers[*]})" >&2
  exit 1
fi
echo "check-includes: every include points down the layers"
