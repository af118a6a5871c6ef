#!/usr/bin/env bash
# What a person sees: with tips on, the tip window stands above the main window on the X server a few
# seconds after start-up (Wine raises the main window again behind the program's back).
# Usage: tip_stacking_test.sh PREFIX nivex.exe
set -uo pipefail
prefix=$1
program=$2
here=$(cd "$(dirname "$0")/../../scripts" && pwd)
source "$here/wine-env.sh" "$prefix"
nivex_wine_prefix_ready
[ -n "${DISPLAY:-}" ] || { echo "no display"; exit 1; }
key='HKCU\Software\Velmora Control Manager'
"$NIVEX_WINE" reg add "$key\\Options" /v ShowSplash /d 0 /f >/dev/null 2>&1
"$NIVEX_WINE" reg add "$key\\Options" /v TipOfTheDay /d 1 /f >/dev/null 2>&1
"$NIVEX_WINE" reg add "$key\\Appearence" /v ShowToolboxPreview /d 0 /f >/dev/null 2>&1
"$NIVEX_WINE" "$program" >/dev/null 2>&1 &
windows() { xwininfo -root -children | grep -oE '"(Tip of the Day|Velmora Control Manager)"' | tr -d '"' | tr '\n' '|'; }
order=""
for _ in $(seq 1 60); do
  sleep 0.25
  order=$(windows)
  [ "$order" = "Tip of the Day|Velmora Control Manager|" ] && break
done
# Let Wine's late restacking happen, then look again: xwininfo lists the topmost window first.
sleep 4
order=$(windows)
"$NIVEX_WINE" taskkill /im "$(basename "$program")" /f >/dev/null 2>&1
"$NIVEX_WINE" reg delete "$key" /f >/dev/null 2>&1
if [ "$order" = "Tip of the Day|Velmora Control Manager|" ]; then
  echo "tip above the main window"
  exit 0
fi
echo "stacking order (topmost first): $order"
exit 1
