#!/usr/bin/env bash
# What a person sees: with the toolbox preview stored as open, the preview is above the main window on the
# X server a few seconds after start-up (Wine may restack the windows behind the program's back).
# Usage: preview_stacking_test.sh PREFIX nivex.exe
set -uo pipefail
prefix=$1
program=$2
here=$(cd "$(dirname "$0")/../../scripts" && pwd)
source "$here/wine-env.sh" "$prefix"
nivex_wine_prefix_ready
[ -n "${DISPLAY:-}" ] || { echo "no display"; exit 1; }
key='HKCU\Software\Velmora Control Manager'
"$NIVEX_WINE" reg add "$key\\Appearence" /v ShowToolboxPreview /d 1 /f >/dev/null 2>&1
"$NIVEX_WINE" reg add "$key\\Options" /v ShowSplash /d 0 /f >/dev/null 2>&1
"$NIVEX_WINE" reg add "$key\\Options" /v TipOfTheDay /d 0 /f >/dev/null 2>&1
"$NIVEX_WINE" "$program" >/dev/null 2>&1 &
order=""
for _ in $(seq 1 40); do
  sleep 0.25
  order=$(xwininfo -root -children | grep -oE '"(Preview|Velmora Control Manager)"' | tr -d '"' | tr '\n' '|')
  [ "$order" = "Preview|Velmora Control Manager|" ] && break
done
# Let Wine's late restacking happen, then look again: xwininfo lists the topmost window first.
sleep 3
order=$(xwininfo -root -children | grep -oE '"(Preview|Velmora Control Manager)"' | tr -d '"' | tr '\n' '|')
"$NIVEX_WINE" taskkill /im "$(basename "$program")" /f >/dev/null 2>&1
"$NIVEX_WINE" reg delete "$key" /f >/dev/null 2>&1
if [ "$order" = "Preview|Velmora Control Manager|" ]; then
  echo "preview above the main window"
  exit 0
fi
echo "stacking order (topmost first): $order"
exit 1
