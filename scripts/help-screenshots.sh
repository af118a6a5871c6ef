#!/usr/bin/env bash
# Takes the help file's pictures under Xvfb into data/help/images: the tip window, the About box and the
# registration status window (held open by window_shot.exe over a sandboxed settings store), and the main
# window with Find in List (from scripts/screenshot.sh). Run after building the Windows programs:
#
#   cmake --build --preset windows --target nivex window_shot && scripts/help-screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${NIVEX_BUILD:-$root/build/windows}
out=$root/data/help/images
mkdir -p "$out"
shot_exe=$build/bench/window_shot.exe
[ -f "$shot_exe" ] || { echo "help-screenshots.sh: $shot_exe is not built" >&2; exit 1; }

source scripts/wine-env.sh "$build/wineprefix"
nivex_wine_prefix_ready
nivex_caption_font
nivex_start_xvfb 150 199
xvfb_pid=$NIVEX_XVFB_PID
x11='HKCU\Software\Wine\X11 Driver'
saved=$("$NIVEX_WINE" reg query "$x11" /v Decorated 2>/dev/null | tr -d '\r' | awk '$1 == "Decorated" {print $3}' || true)
cleanup() {
  if [ -n "$saved" ]; then "$NIVEX_WINE" reg add "$x11" /v Decorated /d "$saved" /f >/dev/null 2>&1
  else "$NIVEX_WINE" reg delete "$x11" /v Decorated /f >/dev/null 2>&1; fi
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
# No window manager: Wine draws the frames itself.
"$NIVEX_WINE" reg add "$x11" /v Decorated /d N /f >/dev/null 2>&1

window_id() { xwininfo -root -children 2>/dev/null | awk -v t="\"$1\":" 'index($0, t) {print $1; exit}'; }
shot() { # window-id file
  local g
  g=$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {printf "%dx%d+%d+%d", w, h, x, y}')
  import -window root -crop "$g" +repage "$2"
}
hold() { # which title file
  "$NIVEX_WINE" "$shot_exe" "$1" 8 "$(winepath -w "$build/bin")" &
  local pid=$! id=""
  for _ in $(seq 1 60); do id=$(window_id "$2"); [ -n "$id" ] && break; sleep 0.2; done
  if [ -n "$id" ]; then sleep 1.5; shot "$id" "$out/$3" && echo "$3"; else echo "no window \"$2\"" >&2; fi
  wait "$pid" || true
}
hold tip "Tip of the Day" tip.png
hold about "About Nivex" about.png
hold regstatus "Nivex - Failed" regstatus.png

# The main window and Find in List.
if scripts/screenshot.sh >/dev/null; then
  cp "$root/build/screenshots/main.png" "$out/main.png" && echo main.png
  # The find window is centred over the main window: the main window's part of the screen holds both.
  size=$(identify -format '%wx%h' "$out/main.png")
  convert "$root/build/screenshots/find.png" -crop "$size+60+60" +repage "$out/find.png" && echo find.png
fi
