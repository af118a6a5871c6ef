#!/usr/bin/env bash
# Screenshots of Nivex's windows under Xvfb: the splash window, the main window with a demo control
# selected through Find in List (with and without the find window), the toolbox bitmap preview, and the
# whole screen. Written to build/screenshots/.
#
#   scripts/screenshot.sh                 uses build/windows and its demo prefix (scripts/run.sh prepares it)
#   NIVEX_BUILD=build/x scripts/screenshot.sh   another build folder
#   NIVEX_PREFIX=/path/prefix ...               another Wine prefix
#
# Without a demo prefix the script prepares a small one in the build folder from the fixture controls.
# A bare X server has no window manager, so for the run Wine is told to draw the window frames itself
# (X11 driver "Decorated" = N in the prefix); the previous value is put back afterwards. Keys reach the
# windows through the X test extension (a few lines of Python over libXtst).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${NIVEX_BUILD:-$root/build/windows}
case $build in /*) ;; *) build=$root/$build ;; esac
out=$root/build/screenshots
mkdir -p "$out"
[ -f "$build/bin/nivex.exe" ] || { echo "screenshot.sh: $build/bin/nivex.exe is not built" >&2; exit 1; }

prefix=${NIVEX_PREFIX:-$build/demo-prefix}
source scripts/wine-env.sh "$prefix"
nivex_wine_prefix_ready
nivex_caption_font
wine_reg() { "$NIVEX_WINE" reg "$@" >/dev/null 2>&1; }

# A demo prefix of our own when scripts/run.sh has not made one: the fixture controls, one of them
# with its server file deleted afterwards so that the catalogue shows a missing file.
if [ -z "${NIVEX_PREFIX:-}" ] && [ -f "$build/fixtures/fixture_control.ocx" ]; then
  folder="$prefix/drive_c/Program Files/Velmora Demo"
  mkdir -p "$folder"
  if [ ! -f "$folder/VelmoraDemo.ocx" ]; then
    cp "$build/fixtures/fixture_control.ocx" "$folder/VelmoraDemo.ocx"
    "$NIVEX_WINE" regsvr32 /s 'C:\Program Files\Velmora Demo\VelmoraDemo.ocx' || true
    if [ -f "$build/fixtures/fixture_control_b.ocx" ]; then
      cp "$build/fixtures/fixture_control_b.ocx" "$folder/VelmoraSpare.ocx"
      "$NIVEX_WINE" regsvr32 /s 'C:\Program Files\Velmora Demo\VelmoraSpare.ocx' || true
      rm -f "$folder/VelmoraSpare.ocx"
    fi
  fi
fi

# An X server of our own when there is none.
nivex_start_xvfb 150 199
xvfb_pid=$NIVEX_XVFB_PID

x11='HKCU\Software\Wine\X11 Driver'
app='HKCU\Software\Velmora Control Manager'
saved_x11=$("$NIVEX_WINE" reg query "$x11" 2>/dev/null | tr -d '\r' || true)
restore_value() { # key name previous-listing
  local line
  line=$(printf '%s\n' "$3" | awk -v n="$2" '$1 == n {print $3}')
  if [ -n "$line" ]; then wine_reg add "$1" /v "$2" /d "$line" /f; else wine_reg delete "$1" /v "$2" /f; fi
}
nivex_pid=""
tools=$(mktemp -d)
cleanup() {
  [ -n "$nivex_pid" ] && kill "$nivex_pid" 2>/dev/null || true
  restore_value "$x11" Decorated "$saved_x11"
  rm -rf "$tools"
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
wine_reg add "$x11" /v Decorated /d N /f

# A roomy window with the preview open; the program keeps these as its stored layout.
wine_reg add "$app\\Appearence" /v WindowState /d 0 /f
wine_reg add "$app\\Appearence" /v WindowLeft /d 900 /f
wine_reg add "$app\\Appearence" /v WindowTop /d 900 /f
wine_reg add "$app\\Appearence" /v WindowWidth /d 13500 /f
wine_reg add "$app\\Appearence" /v WindowHeight /d 9750 /f
wine_reg add "$app\\Appearence" /v ShowToolboxPreview /d 1 /f
wine_reg add "$app\\Options" /v PlaySounds /d 0 /f

cat >"$tools/xtest.py" <<'PY'
"""xtest.py click X Y | xtest.py keys KEY... (ctrl+f, Return, Escape, text:Words)"""
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
def flush():
    x11.XFlush(d)
    time.sleep(0.05)
def key(name, down):
    xtst.XTestFakeKeyEvent(d, x11.XKeysymToKeycode(d, x11.XStringToKeysym(name.encode())), 1 if down else 0, 0)
    flush()
def stroke(spec):
    mods = []
    while "+" in spec[1:]:
        mod, spec = spec.split("+", 1)
        mods.append({"ctrl": "Control_L", "shift": "Shift_L", "alt": "Alt_L"}[mod])
    for m in mods: key(m, True)
    key(spec, True)
    key(spec, False)
    for m in reversed(mods): key(m, False)
if sys.argv[1] == "click":
    xtst.XTestFakeMotionEvent(d, -1, int(sys.argv[2]), int(sys.argv[3]), 0)
    flush()
    xtst.XTestFakeButtonEvent(d, 1, 1, 0)
    flush()
    xtst.XTestFakeButtonEvent(d, 1, 0, 0)
    flush()
else:
    for spec in sys.argv[2:]:
        if spec.startswith("text:"):
            for ch in spec[5:]:
                named = {" ": "space", ":": "shift+semicolon", "\\": "backslash", ".": "period", "-": "minus",
                         "_": "shift+minus"}
                stroke("shift+" + ch.lower() if ch.isupper() else named.get(ch, ch))
        else:
            stroke(spec)
        time.sleep(0.2)
PY
xtest() { python3 "$tools/xtest.py" "$@" || echo "screenshot.sh: no X test extension (python3, libXtst); the first control stays selected" >&2; }

# The id of the first top-level window with exactly this title, empty when there is none.
window_id() { xwininfo -root -children 2>/dev/null | awk -v t="\"$1\":" 'index($0, t) {print $1; exit}'; }
wait_window() {
  local id=""
  for _ in $(seq 1 100); do
    id=$(window_id "$1")
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}

# A window as the screen shows it, with whatever lies on top of it (the preview over the main window).
shot() { # window-id file
  local g
  g=$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {printf "%dx%d+%d+%d", w, h, x, y}')
  import -window root -crop "$g" +repage "$2"
}

# The splash window, held mid-scan by the window tests' companion program.
if [ -f "$build/bench/main_window_bench.exe" ]; then
  "$NIVEX_WINE" "$build/bench/main_window_bench.exe" --splash-shot 6 &
  splash_pid=$!
  if id=$(wait_window "Velmora Control Manager"); then
    sleep 1.5
    shot "$id" "$out/splash.png"
    echo "splash:  $out/splash.png"
  fi
  wait "$splash_pid" || true
fi

"$NIVEX_WINE" "$build/bin/nivex.exe" &
nivex_pid=$!
# The main window carries the menu bar; wait for the scan to end and the preview to open.
sleep 2
for _ in $(seq 1 60); do
  [ -n "$(window_id "Preview")" ] && break
  sleep 0.5
done
sleep 2
main=$(window_id "Velmora Control Manager")
preview=$(window_id "Preview")
if [ -n "$main" ]; then
  # Select a control with a toolbox bitmap: Find in List (Ctrl+F) for the demo's controls.
  geometry=$(xwininfo -id "$main" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} /Height:/ {h=$2} END {print x, y, h}')
  read -r mx my mh <<<"$geometry"
  xtest click $((mx + 60)) $((my + mh - 60)) # the empty part of the tree: focus, no selection change
  sleep 0.5
  xtest keys ctrl+f "text:${NIVEX_SHOT_FIND:-Velmora Demo}" Return
  sleep 1.5
  import -window root "$out/find.png" && echo "find:    $out/find.png"
  # Without a window manager Wine waits two seconds for a closed window to be withdrawn.
  xtest keys Escape
  sleep 3
  shot "$main" "$out/main.png" && echo "main:    $out/main.png"
  # The View menu: the display modes and the registry views.
  xtest keys alt+v
  sleep 1
  shot "$main" "$out/view-menu.png" && echo "view:    $out/view-menu.png"
  xtest keys Escape Escape
  sleep 1
fi
[ -n "$preview" ] && shot "$preview" "$out/preview.png" && echo "preview: $out/preview.png"
import -window root "$out/screen.png"
echo "screen:  $out/screen.png"
if [ -n "$main" ]; then
  # Tools > Dependency Viewer and Tools > Compare Files for the selected control.
  xtest keys alt+t d
  if viewer=$(wait_window "Dependency Viewer - $(basename "${NIVEX_SHOT_FILE:-VelmoraDemo.ocx}")"); then
    sleep 1
    shot "$viewer" "$out/dependency.png" && echo "deps:    $out/dependency.png"
    xtest keys Escape
    sleep 3
  fi
  xtest keys alt+t c
  if compare=$(wait_window "Compare"); then
    sleep 1
    shot "$compare" "$out/compare.png" && echo "compare: $out/compare.png"
    xtest keys Escape
    sleep 3
  fi
  # Edit > Restore Registry Keys: the list of backups. The main window takes the keys again first (a click on
  # its caption: closing the tool windows activated the preview).
  read -r left top < <(xwininfo -id "$main" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {print x, $NF}')
  xtest click $((left + 300)) $((top + 10))
  sleep 1
  xtest keys alt+e r
  if restore=$(wait_window "Restore Registry Keys"); then
    sleep 1
    shot "$restore" "$out/restore-list.png" && echo "restore: $out/restore-list.png"
    xtest keys Escape
    sleep 2
  fi
  # Tools > Preview Registration of the demo server: its file dialog, then the dry run's window.
  xtest keys alt+t g
  if wait_window "Preview Registration" >/dev/null; then
    sleep 1
    xtest keys "text:C:\\Program Files\\Velmora Demo\\VelmoraDemo.ocx" Return
    sleep 5
    if dry=$(wait_window "Preview Registration"); then
      shot "$dry" "$out/preview-registration.png" && echo "dry run: $out/preview-registration.png"
      xtest keys Escape
      sleep 2
    fi
  fi
fi
