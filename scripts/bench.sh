#!/usr/bin/env bash
# Builds the catalogue scan benchmark (Windows preset) and runs it under Wine, with the Wine server
# and the program pinned to CPU 0 so that the figures of one run compare with the next.
#
# Usage: scripts/bench.sh [--build-dir DIR] [--no-build] [--report | --views] [benchmark arguments...]
#   DIR        a build folder of the Windows preset (default build/windows)
#   --report   the HTML report against `nivexcmd list --json` (report_benchmark) instead of the scan
#   --views    both registry views at once against one after the other (views_benchmark [SIZE] per view)
#   arguments  passed to scan_benchmark.exe: [--controls PERCENT] [SIZE...] (default sizes 1000 10000 30000),
#              or to report_benchmark.exe: [--controls PERCENT] [SIZE] (default 10000)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/.."

build=build/windows
do_build=1
bench=scan_benchmark
while [ $# -gt 0 ]; do
  case $1 in
    --build-dir) [ $# -ge 2 ] || { echo "bench.sh: --build-dir needs a folder" >&2; exit 2; }; build=$2; shift 2 ;;
    --no-build) do_build=0; shift ;;
    --report) bench=report_benchmark; shift ;;
    --views) bench=views_benchmark; shift ;;
    -h|--help) sed -n '2,10p' "$0"; exit 0 ;;
    *) break ;;
  esac
done
build=$(cd "$build" 2>/dev/null && pwd || echo "$PWD/$build")

if [ $do_build = 1 ]; then
  [ -f "$build/CMakeCache.txt" ] || cmake --preset windows -B "$build" >/dev/null
  cmake --build "$build" --target "$bench" -j2
fi
exe=$build/bench/$bench.exe
[ -f "$exe" ] || { echo "bench.sh: $exe is missing (build the $bench target)" >&2; exit 1; }

# A prefix of its own, so that no server left running by the tests (unpinned) serves the benchmark.
# shellcheck source=wine-env.sh
source "$here/wine-env.sh" "$build/wineprefix-bench"
nivex_wine_prefix_ready

# The server for the prefix, found by its working folder (server-<device>-<inode> of the prefix).
server_pid() {
  local dir proc
  dir=$(stat -c '%d %i' "$WINEPREFIX" | awk '{ printf "server-%x-%x", $1, $2 }')
  for proc in /proc/[0-9]*; do
    case $(readlink "$proc/cwd" 2>/dev/null) in */"$dir") echo "${proc#/proc/}"; return 0 ;; esac
  done
  return 1
}

# Start the server pinned; it stays 10 s after the last client. The persistence value must be attached
# (-p10): a separate "-p 10" means "stay for ever". When a server runs already (an earlier run's, for
# its last 10 s), the start fails and that server is pinned instead.
server_pid >/dev/null || taskset -c 0 "$NIVEX_WINESERVER" -p10 || true
if pid=$(server_pid); then
  taskset -acp 0 "$pid" >/dev/null
else
  echo "bench.sh: cannot find the Wine server of $WINEPREFIX to pin it; figures may vary more" >&2
fi

DISPLAY='' taskset -c 0 "$NIVEX_WINE" "$exe" "$@"
