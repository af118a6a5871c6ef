#!/usr/bin/env bash
# Both registry views for real, in a 64-bit Wine prefix of its own (the shared test prefix's catalogue stays as
# other tests expect): the demo fixture server of the x64 build registered by the 64-bit regsvr32 and that of
# the x86 build by the system's 32-bit regsvr32, then catalogue_tests' RealViews cases check what the x64 and
# the x86 nivexcmd list, filter, resolve and add. Needs the x86 build beside this one (exit 77: skipped).
# Usage: views_e2e.sh BUILD_DIR TESTS_EXE
set -euo pipefail
build=$(cd "$1" && pwd)
tests=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
x86=$(cd "$build/.." && pwd)/windows-x86
if [ ! -f "$x86/fixtures/fixture_control.ocx" ] || [ ! -f "$x86/bin/nivexcmd.exe" ]; then
  echo "the x86 build (cmake --build --preset windows-x86) is missing: skipped"
  exit 77
fi
prefix=$build/views-e2e-prefix
source "$root/scripts/wine-env.sh" "$prefix"
nivex_wine_prefix_ready
"$NIVEX_WINE" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
trap '"$NIVEX_WINESERVER" -k 2>/dev/null || true' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
drive=$prefix/drive_c
mkdir -p "$drive/nivex-views/x64" "$drive/nivex-views/x86"
cp "$build/fixtures/fixture_control.ocx" "$drive/nivex-views/x64/"
cp "$x86/fixtures/fixture_control.ocx" "$drive/nivex-views/x86/"
"$NIVEX_WINE" regsvr32 /s 'C:\nivex-views\x64\fixture_control.ocx' </dev/null || fail "64-bit regsvr32"
/usr/lib/wine/wine 'C:\windows\syswow64\regsvr32.exe' /s 'C:\nivex-views\x86\fixture_control.ocx' </dev/null ||
  fail "32-bit regsvr32"

export NIVEX_VIEWS_E2E=1 NIVEX_BIN_DIR=$build/bin NIVEX_FIXTURE_DIR=$build/fixtures
export NIVEX_X86_BIN_DIR=$x86/bin NIVEX_X86_FIXTURE_DIR=$x86/fixtures
out=$("$NIVEX_WINE" "$tests" --gtest_filter='RealViews.*' 2>&1 </dev/null) || { echo "$out"; fail "RealViews"; }
echo "$out" | tr -d '\r' | tail -3
grep -q "SKIPPED" <<<"$out" && { echo "$out"; fail "RealViews skipped"; }
echo "both registry views listed, filtered, resolved and added by the x64 and the x86 programs"
