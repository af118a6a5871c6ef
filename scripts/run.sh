#!/usr/bin/env bash
# The project's run command: installs what is missing, builds, prepares a demo Wine prefix and runs Nivex on it.
# Headless it prints the catalogue and writes an HTML report; with a display it also opens the main window.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh

cmake --preset windows >/dev/null
# Only what running needs: the four programs, their data and help file, and the two demo control servers
# (the tests and benchmarks are scripts/test.sh's work).
cmake --build --preset windows --target nivex nivexcmd faultnote velmoragui nivex_data nivex_help \
      fixture_control fixture_control_b

build=$root/build/windows
demo=$build/demo-prefix
source scripts/wine-env.sh "$demo"
nivex_wine_prefix_ready

winpath() { echo "Z:${1//\//\\}"; }

# What Faultnote's installer writes: the folder of faultnote.exe, here the build's bin folder.
"$NIVEX_WINE" reg add 'HKCU\Software\Velmora Software\Bug Report Wizard' /v 'Install Path' /d "$(winpath "$build/bin")" /f >/dev/null

# The project's own control server registered beside the controls Wine registers,
# and a second one whose file is deleted after registering (a control with a missing server file).
folder="$demo/drive_c/Program Files/Velmora Demo"
mkdir -p "$folder"
cp "$build/fixtures/fixture_control.ocx" "$folder/VelmoraDemo.ocx"
cp "$build/fixtures/fixture_control_b.ocx" "$folder/VelmoraSpare.ocx"
"$NIVEX_WINE" regsvr32 /s 'C:\Program Files\Velmora Demo\VelmoraDemo.ocx'
"$NIVEX_WINE" regsvr32 /s 'C:\Program Files\Velmora Demo\VelmoraSpare.ocx'
rm -f "$folder/VelmoraSpare.ocx"
# The program's own control library, registered where it ships: beside the programs.
"$NIVEX_WINE" regsvr32 /s "$(winpath "$build/bin/VelmoraGUI.ocx")"

echo "== Catalogue of the demo prefix"
"$NIVEX_WINE" "$build/bin/nivexcmd.exe" list
report=$build/demo-report.htm
"$NIVEX_WINE" "$build/bin/nivexcmd.exe" report --html --out "$(winpath "$report")"
echo "HTML report: $report"

if [ -n "${DISPLAY:-}" ] && [ -f "$build/bin/nivex.exe" ]; then
  echo "== Starting the main window (the script ends when Nivex is closed)"
  code=0
  "$NIVEX_WINE" "$build/bin/nivex.exe" || code=$?
  [ "$code" -eq 0 ] || echo "nivex.exe ended with exit code $code"
else
  echo "No display: scripts/screenshot.sh shows the main window under Xvfb (pictures in build/screenshots/)."
fi
