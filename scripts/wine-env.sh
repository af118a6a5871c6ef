#!/usr/bin/env bash
# Sourced: sets up the environment for a Wine prefix and offers nivex_wine_prefix_ready.
# Usage: source wine-env.sh PREFIX [x86]   (x86: NIVEX_WINE is the 32-bit Wine; the prefix stays 64-bit)
export WINEPREFIX=$1
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export WINEARCH=win64
NIVEX_WINE=/usr/lib/wine/wine64
[ -x "$NIVEX_WINE" ] || NIVEX_WINE=$(command -v wine64 || command -v wine)
NIVEX_WINESERVER=/usr/lib/wine/wineserver
[ -x "$NIVEX_WINESERVER" ] || NIVEX_WINESERVER=$(command -v wineserver)
# The prefix is always made by the 64-bit Wine (wineboot) so that x86 programs meet the 32-bit registry view.
NIVEX_WINE64=$NIVEX_WINE
if [ "${2:-}" = x86 ]; then
  NIVEX_WINE=/usr/lib/wine/wine
  [ -x "$NIVEX_WINE" ] || { echo "The 32-bit Wine (wine32:i386) is not installed; scripts/deps.sh installs it." >&2; return 1; }
fi
export NIVEX_WINE NIVEX_WINE64 NIVEX_WINESERVER

# Creates the prefix once (several tests may ask at the same moment), without a display,
# so that Wine never stops to offer its installers.
nivex_wine_prefix_ready() {
  [ -f "$WINEPREFIX/.nivex-ready" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.nivex-ready" ]; then
      DISPLAY= "$NIVEX_WINE64" wineboot -i >/dev/null 2>&1 || true
      "$NIVEX_WINESERVER" -w
      # Xvfb runs without a window manager: let Wine manage its own windows instead of waiting for one.
      "$NIVEX_WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
      "$NIVEX_WINESERVER" -w
      touch "$WINEPREFIX/.nivex-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
}

# Wine draws the caption buttons with the Marlett font; this Wine loads it only from the prefix's Fonts folder,
# and without it the buttons show as "0 1 r". Screenshots put it there first.
nivex_caption_font() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" f
  [ -f "$fonts/marlett.ttf" ] && return 0
  for f in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf /usr/local/share/wine/fonts/marlett.ttf; do
    if [ -f "$f" ]; then
      mkdir -p "$fonts" && cp "$f" "$fonts/marlett.ttf"
      return 0
    fi
  done
  echo "Marlett (package fonts-wine) not found: caption buttons will show as letters" >&2
}

# Starts an X server of our own when there is none (DISPLAY empty); NIVEX_XVFB_PID names it.
# A lock left by a server that was killed is taken over: otherwise a range full of stale locks leaves
# DISPLAY empty and every window test fails for no fault of its own.
nivex_start_xvfb() {
  NIVEX_XVFB_PID=""
  [ -n "${DISPLAY:-}" ] && return 0
  local n pid
  for n in $(seq "${1:-91}" "${2:-199}"); do
    if [ -e "/tmp/.X$n-lock" ]; then
      pid=$(tr -d ' ' <"/tmp/.X$n-lock" 2>/dev/null)
      [ -n "$pid" ] && [ -d "/proc/$pid" ] && continue
      rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n" 2>/dev/null || continue
    fi
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    NIVEX_XVFB_PID=$!
    export DISPLAY=":$n"
    break
  done
  sleep 1
  [ -n "${DISPLAY:-}" ] || { echo "no free X display between :${1:-91} and :${2:-199}" >&2; return 1; }
}
