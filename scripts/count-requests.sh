#!/usr/bin/env bash
# Counts the Wine server requests one catalogue scan makes, per class.
#
# Usage: scripts/count-requests.sh [--build-dir DIR] [--no-build] [--details CLICKS | --report | --views] [N]
#   N          classes per scratch registry (default 3000)
#   DIR        a build folder of the Windows preset (default build/windows)
#   CLICKS     count instead the details of CLICKS selections after one scan (a click on a control)
#   --report   count instead the parts of `nivexcmd report --html` against `list --json` (report_benchmark;
#              N defaults to 10000 there)
#   --views    count instead the scans of the 64-bit view, the 32-bit view and both (views_benchmark, N classes
#              in each view of the prefix's real registry; N defaults to 10000 there)
#
# Four scans of scratch registries filled by bench/scan_benchmark.exe --count-mode, traced with
# WINEDEBUG=+server: one with a third of the classes controls (the total per class), one with
# no controls and one with only controls (the per-class costs), and one with N/2 non-controls
# (the fixed cost of a scan, taken out of the per-class figures). Only the request lines of the
# scanning thread between the benchmark's two marker lines are counted, not the "() = " replies.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/.."

build=build/windows
do_build=1
classes=3000
details=0
report=0
views=0
while [ $# -gt 0 ]; do
  case $1 in
    --build-dir) [ $# -ge 2 ] || { echo "count-requests.sh: --build-dir needs a folder" >&2; exit 2; }; build=$2; shift 2 ;;
    --no-build) do_build=0; shift ;;
    --details)
      [[ ${2:-} =~ ^[0-9]+$ ]] && [ "$2" -ge 1 ] || { echo "count-requests.sh: --details needs a number of selections" >&2; exit 2; }
      details=$2; shift 2 ;;
    --report) report=1; classes=10000; shift ;;
    --views) report=1; views=1; classes=10000; shift ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *)
      if [[ $1 =~ ^[0-9]+$ ]] && [ "$1" -ge 2 ] && [ "$1" -le 200000 ]; then classes=$1; shift
      else echo "count-requests.sh: \"$1\" is not a number of classes from 2 to 200000" >&2; exit 2; fi ;;
  esac
done
build=$(cd "$build" 2>/dev/null && pwd || echo "$PWD/$build")
bench=scan_benchmark
[ $report = 1 ] && bench=report_benchmark
[ $views = 1 ] && bench=views_benchmark

if [ $do_build = 1 ]; then
  [ -f "$build/CMakeCache.txt" ] || cmake --preset windows -B "$build" >/dev/null
  cmake --build "$build" --target "$bench" -j2 >/dev/null
fi
exe=$build/bench/$bench.exe
[ -f "$exe" ] || { echo "count-requests.sh: $exe is missing (build the $bench target)" >&2; exit 1; }

# A prefix of its own: the trace is written by the server to the stderr of the process that starts it,
# so the server must be started by the traced program, never be one left running by tests.
# shellcheck source=wine-env.sh
source "$here/wine-env.sh" "$build/wineprefix-count"
nivex_wine_prefix_ready
"$NIVEX_WINESERVER" -w

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Requests of the marked thread between the markers: "total T" then "name count" lines.
count_trace() {
  awk '
    /^NIVEX-COUNT-BEGIN thread=/ { split($2, part, "="); tid = part[2] ": "; inside = 1; next }
    /^NIVEX-COUNT-END/ { inside = 0; done = 1; next }
    inside && index($0, tid) == 1 {
      rest = substr($0, length(tid) + 1)
      if (match(rest, /^[a-z0-9_]+\(/) && substr(rest, RLENGTH + 1, 4) != ") = ") {
        name = substr(rest, 1, RLENGTH - 1); total++; by[name]++
      }
    }
    END {
      if (!done) exit 1
      print "total", total + 0
      for (name in by) print name, by[name]
    }' "$1"
}

# run NAME CLASSES PERCENT: one traced scan; leaves $work/NAME.counts
run() {
  local name=$1 n=$2 percent=$3
  printf '  %-13s %6d classes, %5s%% controls ... ' "$name" "$n" "$percent"
  if ! DISPLAY='' WINEDEBUG=+server "$NIVEX_WINE" "$exe" --count-mode "$n" --controls "$percent" \
       >"$work/$name.out" 2>"$work/$name.trace"; then
    echo "failed"; cat "$work/$name.out"; grep -v '^[0-9a-f]\{4\}: ' "$work/$name.trace" | tail -5; exit 1
  fi
  "$NIVEX_WINESERVER" -w
  if ! count_trace "$work/$name.trace" >"$work/$name.counts"; then
    echo "no markers in the trace (was a server already running for $WINEPREFIX?)"; exit 1
  fi
  echo "$(awk '$1 == "total" { print $2 }' "$work/$name.counts") requests"
}

total_of() { awk '$1 == "total" { print $2 }' "$work/$1.counts"; }
count_of() { awk -v n="$2" '$1 == n { c = $2 } END { print c + 0 }' "$work/$1.counts"; }

if [ $report = 1 ]; then
  if [ $views = 1 ]; then
    echo "Wine server requests of a scan of each registry view and of both, $classes classes in each (prefix $WINEPREFIX)"
  else
    echo "Wine server requests of a report against the listing, $classes classes (prefix $WINEPREFIX)"
  fi
  if ! DISPLAY='' WINEDEBUG=+server "$NIVEX_WINE" "$exe" --count-mode "$classes" >"$work/report.out" 2>"$work/report.trace"; then
    echo "failed"; cat "$work/report.out"; exit 1
  fi
  "$NIVEX_WINESERVER" -w
  # Each part between its own markers: "part=P".
  awk '
    /^NIVEX-COUNT-BEGIN thread=/ { split($2, t, "="); tid = t[2] ": "; split($3, p, "="); part = p[2]; order[++n] = part; next }
    /^NIVEX-COUNT-END/ { part = ""; next }
    part != "" && index($0, tid) == 1 {
      rest = substr($0, length(tid) + 1)
      if (match(rest, /^[a-z0-9_]+\(/) && substr(rest, RLENGTH + 1, 4) != ") = ") { total[part]++; by[part, substr(rest, 1, RLENGTH - 1)]++ }
    }
    END {
      if (n == 0) exit 1
      for (i = 1; i <= n; i++) {
        printf "  %-8s %8d requests:", order[i], total[order[i]]
        for (k in by) { split(k, kp, SUBSEP); if (kp[1] == order[i]) printf " %s %d", kp[2], by[k] }
        printf "\n"
      }
    }' "$work/report.trace" || { echo "no markers in the trace"; exit 1; }
  exit 0
fi

if [ "$details" -gt 0 ]; then
  echo "Wine server requests of the details of $details selections (prefix $WINEPREFIX)"
  printf '  %-13s ' details
  if ! DISPLAY='' WINEDEBUG=+server "$NIVEX_WINE" "$exe" --details "$details" --count-mode "$classes" \
       >"$work/details.out" 2>"$work/details.trace"; then
    echo "failed"; cat "$work/details.out"; exit 1
  fi
  "$NIVEX_WINESERVER" -w
  count_trace "$work/details.trace" >"$work/details.counts" || { echo "no markers in the trace"; exit 1; }
  total=$(awk '$1 == "total" { print $2 }' "$work/details.counts")
  echo "$total requests, $(awk -v t="$total" -v n="$details" 'BEGIN { printf "%.1f", t / n }') per selection"
  echo "By request, per selection:"
  awk -v n="$details" '$1 != "total" { printf "  %-28s %8.2f\n", $1, $2 / n }' "$work/details.counts" | sort
  exit 0
fi

half=$((classes / 2))
echo "Wine server requests of one catalogue scan (prefix $WINEPREFIX)"
run mixed "$classes" 33.3333
run non-controls "$classes" 0
run controls "$classes" 100
run half-non "$half" 0

fixed=$(( 2 * $(total_of half-non) - $(total_of non-controls) ))
[ "$fixed" -lt 0 ] && fixed=0
mixed_controls=$(awk -v n="$classes" 'BEGIN { printf "%d", n * 33.3333 / 100 + 0.5 }')

per() { awk -v a="$1" -v f="$2" -v n="$3" 'BEGIN { printf "%.2f", (a - f) / n }'; }
non_each=$(per "$(total_of non-controls)" "$fixed" "$classes")
ctl_each=$(per "$(total_of controls)" "$fixed" "$classes")
mixed_each=$(per "$(total_of mixed)" 0 "$classes")
predicted=$(awk -v f="$fixed" -v a="$non_each" -v b="$ctl_each" -v n="$classes" -v c="$mixed_controls" \
  'BEGIN { printf "%d", f + a * (n - c) + b * c + 0.5 }')

verdict() { awk -v v="$1" -v limit="$2" 'BEGIN { print (v <= limit ? "meets" : "MISSES") " the target of at most " limit }'; }

echo
echo "Fixed cost of a scan: $fixed requests"
echo "Total (mixed, $mixed_controls controls of $classes): $(total_of mixed) requests, $mixed_each per class (the per-class figures predict $predicted)"
echo "Per class that is not a control: $non_each - $(verdict "$non_each" 2)"
echo "Per control (its library's name and folder listings included): $ctl_each - $(verdict "$ctl_each" 15)"
echo
echo "By request, per class:"
printf '  %-28s %15s %12s\n' request non-control control
awk '$1 != "total" { print $1 }' "$work/non-controls.counts" "$work/controls.counts" | sort -u | while read -r name; do
  printf '  %-28s %15s %12s\n' "$name" \
    "$(per "$(count_of non-controls "$name")" 0 "$classes")" "$(per "$(count_of controls "$name")" 0 "$classes")"
done

fail=0
awk -v v="$non_each" 'BEGIN { exit !(v > 2) }' && fail=1
awk -v v="$ctl_each" 'BEGIN { exit !(v > 15) }' && fail=1
exit $fail
