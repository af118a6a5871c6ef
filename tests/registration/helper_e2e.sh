#!/usr/bin/env bash
# The registration helper against the system's own tools, in a Wine prefix of its own whose registry is
# put back to the same starting state before every step, and compared as a whole (the registry files
# without their time stamps) after it:
#  - a 32-bit server registered by the 64-bit nivexcmd (through its 32-bit helper) gives the registry the
#    32-bit regsvr32 gives;
#  - a dry run (nivexcmd capture) leaves the registry exactly as it was, and its .reg file imported with
#    the registry editor of the server's bitness gives the registry a real registration gives: for the
#    fixture control server in both bitnesses and for one of Wine's own control servers.
# Usage: helper_e2e.sh BUILD_DIR   (the x64 build; the 32-bit part needs build/windows-x86 beside it)
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$build/helper-e2e-prefix
source "$root/scripts/wine-env.sh" "$prefix"
DISPLAY= nivex_wine_prefix_ready
export DISPLAY=
work=$(mktemp -d)
trap '"$NIVEX_WINESERVER" -k 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

wine64() { "$NIVEX_WINE64" "$@" </dev/null >>"$work/wine.log" 2>&1; }
wine32() { /usr/lib/wine/wine "$@" </dev/null >>"$work/wine.log" 2>&1; }
nivexcmd() { "$NIVEX_WINE64" "$build/bin/nivexcmd.exe" "$@" </dev/null 2>>"$work/wine.log"; }

# The registry as files: saved once the server has written them out, compared without time stamps.
settle() { "$NIVEX_WINESERVER" -w; }
save() { settle; mkdir -p "$work/$1"; cp "$prefix"/*.reg "$work/$1/"; }
restore() { settle; cp "$work/$1"/*.reg "$prefix/"; }
whole() { # the registry's text without time stamps (Wine stamps its display driver's date at each start)
  settle
  for f in system.reg user.reg userdef.reg; do
    echo "== $f"
    sed -E -e '/^#time=/d' -e 's/^(\[.*\]) [0-9]+$/\1/' -e '/^"DriverDate(Data)?"=/d' "$prefix/$f"
  done
}
same() { # same NAME_A NAME_B WHAT: the two registries are equal
  diff <(cat "$work/$1.txt") <(cat "$work/$2.txt") >"$work/diff.txt" || { head -40 "$work/diff.txt"; fail "$3"; }
}

# The servers, at the same paths in every step.
mkdir -p "$prefix/drive_c/e2e/x64" "$prefix/drive_c/e2e/x86"
cp "$build/fixtures/fixture_control.ocx" "$prefix/drive_c/e2e/x64/"
x86=$build/../windows-x86
have32=0
if [ -f "$x86/fixtures/fixture_control.ocx" ] && [ -f "$build/bin/x86/nivexcmd.exe" ]; then
  cp "$x86/fixtures/fixture_control.ocx" "$prefix/drive_c/e2e/x86/"
  have32=1
fi
wine64 cmd.exe /c exit
save pristine

# 1. A 32-bit server: the 64-bit nivexcmd's helper writes what the 32-bit regsvr32 writes.
if [ $have32 -eq 1 ]; then
  server='C:\e2e\x86\fixture_control.ocx'
  restore pristine
  wine32 'C:\windows\syswow64\regsvr32.exe' /s "$server" || fail "the 32-bit regsvr32 refused the x86 fixture"
  whole >"$work/regsvr32.txt"
  restore pristine
  nivexcmd register "$server" --in-place >"$work/out.txt" || fail "nivexcmd register of the x86 fixture: $(cat "$work/out.txt")"
  whole >"$work/nivexcmd.txt"
  same regsvr32 nivexcmd "the 64-bit nivexcmd's registration of a 32-bit server differs from the 32-bit regsvr32's"
  grep -qF 'fixture_control.ocx' "$work/regsvr32.txt" || fail "nothing was registered at all"
  echo "a 32-bit server registered from the 64-bit nivexcmd as the 32-bit regsvr32 registers it"
fi

# 2. Dry runs: nothing changes; the exported file imported equals the real registration.
# dry_run NAME SERVER BITS [unregistered-first]
dry_run() {
  local name=$1 server=$2 bits=$3 regsvr regedit
  if [ "$bits" = 32 ]; then
    regsvr() { wine32 'C:\windows\syswow64\regsvr32.exe' /s "$@"; }
    regedit() { wine32 'C:\windows\syswow64\regedit.exe' /S "$@"; }
  else
    regsvr() { wine64 'C:\windows\system32\regsvr32.exe' /s "$@"; }
    regedit() { wine64 'C:\windows\regedit.exe' /S "$@"; }
  fi
  restore pristine
  # A server the prefix registers already is unregistered first, so that both sides start without it.
  [ "${4:-}" = unregistered-first ] && { regsvr /u "$server" || fail "$name: regsvr32 /u"; }
  save "base-$name"
  whole >"$work/base-$name.txt"
  regsvr "$server" || fail "$name: regsvr32 refused it"
  whole >"$work/real-$name.txt"
  restore "base-$name"
  nivexcmd capture "$server" --reg "C:\\e2e\\$name.reg" >"$work/capture-$name.txt" ||
    fail "$name: nivexcmd capture: $(cat "$work/capture-$name.txt")"
  whole >"$work/after-$name.txt"
  same "base-$name" "after-$name" "$name: the dry run changed the registry"
  regedit "C:\\e2e\\$name.reg" || fail "$name: the registry editor refused the exported file"
  whole >"$work/import-$name.txt"
  same "real-$name" "import-$name" "$name: importing the dry run's file differs from registering"
  grep -q '\[new\]' "$work/capture-$name.txt" || fail "$name: the dry run found nothing new"
  echo "$name: dry run changed nothing; its .reg imported equals the real registration"
}
dry_run fixture64 'C:\e2e\x64\fixture_control.ocx' 64
[ $have32 -eq 1 ] && dry_run fixture32 'C:\e2e\x86\fixture_control.ocx' 32
dry_run hhctrl 'C:\windows\system32\hhctrl.ocx' 64 unregistered-first
