#!/usr/bin/env bash
# Runs a Windows program under Wine with a prefix kept in the build folder.
# Usage: wine-run.sh PREFIX program.exe [args...]
set -euo pipefail
prefix=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
source "$here/wine-env.sh" "$prefix"
nivex_wine_prefix_ready
exec "$NIVEX_WINE" "$@"
