# Helpers shared by the scripts: the locale, a private virtual display, a
# private Wine prefix and the unprivileged account the program runs as.
# Source it; it sets ROOT to the repository.
#
# Nothing here trusts the caller's environment: a bare machine has no LANG,
# and without a UTF-8 locale Wine cannot make or open non-ASCII file names.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export LANG=C.UTF-8 LC_ALL=C.UTF-8
unset LANGUAGE
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono/Gecko prompts

# The account the end-to-end tests run Wine and Veilkeep as, when run as root.
E2E_USER=veilkeep-e2e

# Starts Xvfb on a display it picks itself (so two runs never take the same
# one) and exports DISPLAY. Sets XVFB_PID.
start_xvfb() {
  local numbers
  numbers=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numbers" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$numbers" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  local display
  display=$(tr -d '[:space:]' <"$numbers")
  rm -f "$numbers"
  if [ -z "$display" ]; then
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$display"
}

stop_xvfb() {
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
  XVFB_PID=
}

# Makes WINEPREFIX ready and keeps a wineserver running for it. Wine's helper
# processes keep whatever output they inherit: they are given none.
start_wine() {
  mkdir -p "$WINEPREFIX"
  wineserver -p >/dev/null 2>&1 </dev/null
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

stop_wine() {
  wineserver -k >/dev/null 2>&1 </dev/null || true
}

# Creates the unprivileged account E2E_USER when it is missing (root only).
ensure_e2e_user() {
  id -u "$E2E_USER" >/dev/null 2>&1 && return 0
  useradd --create-home --user-group --shell /bin/sh "$E2E_USER"
}

# as_e2e_user COMMAND...: runs COMMAND as E2E_USER with a clean environment
# holding only what Wine needs (DISPLAY, WINEPREFIX and this file's settings).
as_e2e_user() {
  local home
  home=$(getent passwd "$E2E_USER" | cut -d: -f6)
  runuser -u "$E2E_USER" -- env -i HOME="$home" USER="$E2E_USER" LOGNAME="$E2E_USER" \
    PATH=/usr/local/bin:/usr/bin:/bin LANG="$LANG" LC_ALL="$LC_ALL" DISPLAY="${DISPLAY:-}" \
    WINEPREFIX="${WINEPREFIX:-}" WINEDEBUG="$WINEDEBUG" WINEDLLOVERRIDES="$WINEDLLOVERRIDES" "$@"
}
