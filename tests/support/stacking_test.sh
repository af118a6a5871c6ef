#!/usr/bin/env bash
# What a person sees: a window Nivex opens at start-up (the toolbox preview, the tip of the day) stands above
# the main window on the X server a few seconds after start-up, although Wine raises the main window again
# behind the program's back.
# Usage: stacking_test.sh PREFIX nivex.exe CAPTION TIPS(0|1) PREVIEW(0|1)
set -uo pipefail
prefix=$1
program=$2
caption=$3
here=$(cd "$(dirname "$0")/../../scripts" && pwd)
source "$here/wine-env.sh" "$prefix"
nivex_wine_prefix_ready
[ -n "${DISPLAY:-}" ] || { echo "no display"; exit 1; }
key='HKCU\Software\Velmora Control Manager'
"$NIVEX_WINE" reg add "$key\\Options" /v ShowSplash /d 0 /f >/dev/null 2>&1
"$NIVEX_WINE" reg add "$key\\Options" /v TipOfTheDay /d "$4" /f >/dev/null 2>&1
"$NIVEX_WINE" reg add "$key\\Appearence" /v ShowToolboxPreview /d "$5" /f >/dev/null 2>&1
"$NIVEX_WINE" "$program" >/dev/null 2>&1 &
# xwininfo lists the topmost window first.
windows() { xwininfo -root -children | grep -oE "\"($caption|Velmora Control Manager)\"" | tr -d '"' | tr '\n' '|'; }
wanted="$caption|Velmora Control Manager|"
order=""
for _ in $(seq 1 60); do
  sleep 0.25
  order=$(windows)
  [ "$order" = "$wanted" ] && break
done
# Let Wine's late restacking happen, then look again.
sleep 4
order=$(windows)
"$NIVEX_WINE" taskkill /im "$(basename "$program")" /f >/dev/null 2>&1
"$NIVEX_WINE" reg delete "$key" /f >/dev/null 2>&1
if [ "$order" = "$wanted" ]; then
  echo "$caption above the main window"
  exit 0
fi
echo "stacking order (topmost first): $order"
exit 1
