#!/usr/bin/env bash
# Screenshots of Faultnote under Xvfb: each wizard page (fields typed through the X test extension), then
# Finish with the text file and the report viewer. Written to build/screenshots/faultnote-*.png.
#
#   scripts/screenshot-faultnote.sh              uses build/windows and its Wine prefix
#   NIVEX_BUILD=build/x scripts/screenshot-faultnote.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${NIVEX_BUILD:-$root/build/windows}
case $build in /*) ;; *) build=$root/$build ;; esac
out=$root/build/screenshots
mkdir -p "$out"
[ -f "$build/bin/faultnote.exe" ] || { echo "screenshot-faultnote.sh: $build/bin/faultnote.exe is not built" >&2; exit 1; }
source scripts/wine-env.sh "${NIVEX_PREFIX:-$build/wineprefix}"
nivex_wine_prefix_ready
nivex_caption_font
nivex_start_xvfb 150 199

# A copy of the program in a scratch folder, so the report file it writes lands there.
work=$(mktemp -d)
cp "$build/bin/faultnote.exe" "$work/"
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
  [ -n "$NIVEX_XVFB_PID" ] && kill "$NIVEX_XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

cat >"$work/xtest.py" <<'PY'
"""xtest.py KEY... (Return, Tab, space, text:Words, click:X,Y)"""
import ctypes, sys, time
x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
xtst = ctypes.cdll.LoadLibrary("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XStringToKeysym.restype = ctypes.c_ulong
x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
x11.XKeysymToKeycode.restype = ctypes.c_ubyte
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XFlush.argtypes = [ctypes.c_void_p]
xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]
d = x11.XOpenDisplay(None)
if not d:
    sys.exit("xtest.py: cannot open the display")
def key(name, down):
    xtst.XTestFakeKeyEvent(d, x11.XKeysymToKeycode(d, x11.XStringToKeysym(name.encode())), 1 if down else 0, 0)
    x11.XFlush(d)
    time.sleep(0.03)
def stroke(name, shift=False):
    if shift: key("Shift_L", True)
    key(name, True)
    key(name, False)
    if shift: key("Shift_L", False)
names = {" ": "space", "@": "at", ".": "period", "-": "minus", ",": "comma", "'": "apostrophe"}
for spec in sys.argv[1:]:
    if spec.startswith("click:"):
        x, y = (int(v) for v in spec[6:].split(","))
        xtst.XTestFakeMotionEvent(d, -1, x, y, 0)
        x11.XFlush(d)
        time.sleep(0.05)
        for down in (1, 0):
            xtst.XTestFakeButtonEvent(d, 1, down, 0)
            x11.XFlush(d)
            time.sleep(0.05)
    elif spec.startswith("text:"):
        for ch in spec[5:]:
            stroke(names.get(ch, ch.lower()), ch.isupper() or ch == "@")
    else:
        stroke(spec)
    time.sleep(0.3)
PY
keys() { python3 "$work/xtest.py" "$@"; }
window_id() { xwininfo -root -children 2>/dev/null | awk -v t="\"$1\":" 'index($0, t) {print $1; exit}'; }
wait_window() {
  for _ in $(seq 1 150); do
    id=$(window_id "$1")
    [ -n "$id" ] && { sleep 1; echo "$id"; return 0; }
    sleep 0.2
  done
  echo "screenshot-faultnote.sh: no window \"$1\"" >&2
  return 1
}
shot() { import -window "$1" "$out/faultnote-$2.png"; echo "$out/faultnote-$2.png"; }
# click WINDOW X Y: a click at a point of the window (pixels from its top-left corner, frame included).
click() {
  local geometry
  geometry=$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
  set -- "$1" $(( ${geometry% *} + $2 )) $(( ${geometry#* } + $3 ))
  keys "click:$2,$3"
}

"$NIVEX_WINE" "$work/faultnote.exe" 'Velmora Control Manager%1.0%0001' >/dev/null 2>&1 &
pid=$!
wizard=$(wait_window "Velmora Bug Report Wizard")
shot "$wizard" 1-product
keys Return text:Ada\ Lovelace Tab text:ada@example.org
shot "$wizard" 2-user
keys Return "text:Run-time error 429" Tab "text:Registering a control" Tab "text:Nothing happened"
shot "$wizard" 3-errors
# The buttons and choices by position (the wizard's layout at 96 dots per inch).
click "$wizard" 503 371
shot "$wizard" 4-send
# Text file instead of the clipboard, no mail program, view the file; then Finish.
click "$wizard" 240 125
click "$wizard" 226 176
click "$wizard" 226 199
shot "$wizard" 4-send-file
click "$wizard" 503 371
box=$(wait_window "Saved Report")
shot "$box" 5-saved
keys Return
viewer=$(wait_window "View Report")
shot "$viewer" 6-viewer
echo "Report file: $(ls "$work"/Bug_Report.txt)"
