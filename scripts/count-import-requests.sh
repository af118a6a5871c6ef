#!/usr/bin/env bash
# Counts the Wine server requests of resolving the import tree of every DLL in the System folder
# (bench/import_tree_bench.exe --count), in total and per module read.
#
# Usage: scripts/count-import-requests.sh [--build-dir DIR] [--no-build]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/.."
build=build/windows
do_build=1
while [ $# -gt 0 ]; do
  case $1 in
    --build-dir) [ $# -ge 2 ] || { echo "count-import-requests.sh: --build-dir needs a folder" >&2; exit 2; }; build=$2; shift 2 ;;
    --no-build) do_build=0; shift ;;
    -h|--help) sed -n '2,6p' "$0"; exit 0 ;;
    *) echo "count-import-requests.sh: unknown argument \"$1\"" >&2; exit 2 ;;
  esac
done
build=$(cd "$build" 2>/dev/null && pwd || echo "$PWD/$build")
if [ $do_build = 1 ]; then
  [ -f "$build/CMakeCache.txt" ] || cmake --preset windows -B "$build" >/dev/null
  cmake --build "$build" --target import_tree_bench -j2 >/dev/null
fi
exe=$build/bench/import_tree_bench.exe
[ -f "$exe" ] || { echo "count-import-requests.sh: $exe is missing (build the import_tree_bench target)" >&2; exit 1; }

# A prefix of its own: the server that writes the trace must be started by the traced program.
# shellcheck source=wine-env.sh
source "$here/wine-env.sh" "$build/wineprefix-count"
nivex_wine_prefix_ready
"$NIVEX_WINESERVER" -w
trace=$(mktemp)
trap 'rm -f "$trace"' EXIT
summary=$(DISPLAY='' WINEDEBUG=+server "$NIVEX_WINE" "$exe" --count 2>"$trace")
echo "$summary"
# Requests (not the "() = " replies) of the marked thread between the two marker lines.
tr -d '\r' <"$trace" | awk -v modules="$(echo "$summary" | sed -E 's/.* ([0-9]+) modules read.*/\1/')" '
  /^NIVEX-COUNT-BEGIN thread=/ { split($2, part, "="); tid = part[2] ": "; inside = 1; next }
  /^NIVEX-COUNT-END/ { inside = 0; next }
  inside && index($0, tid) == 1 {
    rest = substr($0, length(tid) + 1)
    if (match(rest, /^[a-z0-9_]+\(/) && substr(rest, RLENGTH + 1, 4) != ") = ") { total++; by[substr(rest, 1, RLENGTH - 1)]++ }
  }
  END {
    printf "requests: %d in all, %.2f per module read\n", total, total / (modules > 0 ? modules : 1)
    for (n in by) printf "  %-28s %d\n", n, by[n]
  }'
