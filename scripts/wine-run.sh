#!/usr/bin/env bash
# Runs a Windows program under Wine with a prefix kept in the build folder.
# Usage: wine-run.sh [--x86] PREFIX program.exe [args...]   (--x86: run it with the 32-bit Wine)
set -euo pipefail
arch=""
if [ "$1" = --x86 ]; then
  arch=x86
  shift
fi
prefix=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
source "$here/wine-env.sh" "$prefix" $arch
nivex_wine_prefix_ready
exec "$NIVEX_WINE" "$@"
