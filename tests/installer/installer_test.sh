#!/usr/bin/env bash
# The setup end to end in a fresh Wine prefix of its own, as people and deployment tools use it: a silent
# installation checked file by file; an upgrade in place while Nivex runs, which drops a file the version no
# longer ships and keeps the user's own; Faultnote running (setup and uninstall refuse with their exit code);
# a file in use elsewhere (replaced at the next start, 3010); the waiting silent uninstall while Nivex runs;
# a move by /D= and the old folder's uninstaller run afterwards; unusable /D= folders; the per-user
# installation; and, with a display, the wizard over an installation whose Nivex runs, with screenshots.
# Usage: installer_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source_dir=$2
work=$build/installer-test
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Waits until the prefix's programs have ended; a console host that outlives its program under load would
# otherwise hold the wait for ever.
settle() { timeout 120 "$NIVEX_WINESERVER" -w || "$NIVEX_WINESERVER" -k; }
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }

echo "== building the setup"
cmake --build "$build" --target installer >"$work.build.log" 2>&1 || { cat "$work.build.log"; echo "FAIL: the installer target"; exit 1; }
setup=$build/installer/nivex-setup.exe
[ -f "$setup" ] || { echo "FAIL: $setup was not built"; exit 1; }
define() { sed -n "s/^!define $1 \"\\(.*\\)\"$/\\1/p" "$build/installer/defines.nsh"; }
version=$(define NIVEX_VERSION)
faultnote=$(define NIVEX_FAULTNOTE_X64)
help=$(define NIVEX_HELP_X64)
bevel=$(define NIVEX_VELMORAGUI_CLASS1)
libid=$(sed -n 's/^#define VGUI_LIBID "\(.*\)"$/{\1}/p' "$source_dir/src/guicontrols/ocx/velmoragui_ids.h")
# The x86 build the target packaged, wherever it is.
nivexcmd86=$(define NIVEX_X86_BIN)/nivexcmd.exe
# What the setup places: the generated list of the x64 files (the prefix is 64-bit).
mapfile -t files < <(cut -f1 "$build/installer/files_x64.txt")
mapfile -t sources < <(cut -f2 "$build/installer/files_x64.txt")
[ ${#files[@]} -gt 0 ] && [ -n "$bevel" ] || { echo "FAIL: no file list or VelmoraGUI in the setup"; exit 1; }

rm -rf "$work"
mkdir -p "$work"
# shellcheck source=../../scripts/wine-env.sh
source "$source_dir/scripts/wine-env.sh" "$work/prefix"
nivex_wine_prefix_ready
# Keeps Wine's own service processes from holding this script's output open.
"$NIVEX_WINE64" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true

wine64() { "$NIVEX_WINE64" "$@" </dev/null 2>>"$work/wine.log"; }
reg64() { wine64 'C:\windows\system32\reg.exe' "$@"; }
# One value of a key in the 64-bit view ("" the default value; /reg:32 as a further argument: the 32-bit view).
reg_value() {
  local name=(/v "$2")
  [ -z "$2" ] && name=(/ve)
  # Asked twice when empty: under load a reg.exe run now and then prints nothing for a value that is there.
  local out attempt
  for attempt in 1 2; do
    out=$(reg64 query "$1" "${name[@]}" "${@:3}" 2>/dev/null | tr -d '\r' | sed -n "s/^ *${2:-(Default)} *REG_[A-Z_]* *//p")
    [ -n "$out" ] && break
    [ $attempt -eq 1 ] && sleep 1
  done
  printf '%s\n' "$out"
}
no_key() { ! reg64 query "$@" >/dev/null 2>&1; }
# The file VelmoraGUI's Bevel is registered to: ROOT (HKLM or HKCU) and VIEW (64 or 32).
registered_to() { reg_value "$1\\Software\\Classes\\CLSID\\$bevel\\InprocServer32" "" "/reg:$2"; }
# The file of VelmoraGUI's type library for PLATFORM (win64 or win32): each build registers its own.
typelib_of() { reg_value "$1\\Software\\Classes\\TypeLib\\$libid\\1.0\\0\\$2" ""; }
# The library node named VelmoraGUI in a nivexcmd list --json, with the texts of its controls.
velmoragui_listed() {
  python3 -c '
import json, sys
doc = json.load(sys.stdin)
for lib in doc["trees"]["all"]:
    if "VelmoraGUI" in lib["text"]:
        print(lib["text"] + ": " + ", ".join(sorted(c["text"] for c in lib.get("children", []))))
'
}
listed() { wine64 "$1" list --json | velmoragui_listed 2>>"$work/wine.log"; }
has_both_controls() { grep -q "Bevel" <<<"$1" && grep -q "EtchedLine" <<<"$1"; }
unix_path() { local p=${1#C:\\}; echo "$WINEPREFIX/drive_c/${p//\\//}"; }

entry='Software\Microsoft\Windows\CurrentVersion\Uninstall\Nivex'
record='Software\Velmora Software\Nivex'
settings='Software\Velmora Software\Bug Report Wizard'
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Velmora Software"
log_file=$WINEPREFIX/drive_c/setup.log
log=""
have_display=0
[ -n "${DISPLAY:-}" ] && [ -f "${NIVEX_PAGE_DRIVER:-}" ] && have_display=1
driver() { wine64 "$NIVEX_PAGE_DRIVER" "$@"; }

# run EXPECTED PROGRAM ARGS...: a silent run with /LOG= (before the arguments: /D= and _?= come last);
# $log holds the log afterwards. Wine hands on the exit code's low byte only (3010 arrives as 194).
run() {
  local expected=$1 program=$2
  shift 2
  rm -f "$log_file"
  wine64 "$program" /S '/LOG=C:\setup.log' "$@"
  local code=$?
  log=$(iconv -f UTF-16LE -t UTF-8 "$log_file" 2>/dev/null | tr -d '\r')
  check "${program##*[/\\]} $* ends with $expected (was $code)" test "$code" -eq $((expected % 256))
}
logged() { local line; for line in "$@"; do grep -qF "$line" <<<"$log" || return 1; done; }
# The uninstall entry's QuietUninstallString under ROOT, as a deployment tool runs it.
uninstall_quietly() {
  local expected=$1 quiet exe
  quiet=$(reg_value "$2\\$entry" QuietUninstallString)
  exe=${quiet#\"}
  exe=${exe%%\"*}
  # shellcheck disable=SC2086 # the words of the folder, joined again by single blanks
  run "$expected" "$exe" ${quiet:${#exe}+3}
}
# start PROGRAM TITLE: a program of the installation, running until its window is shown.
start() { "$NIVEX_WINE64" "$1" </dev/null >/dev/null 2>>"$work/wine.log" & driver wait "$2"; }

# installed WINDOWS_FOLDER ROOT: every file the one built and listed for the uninstaller, the record, the
# entry, "Install Path" and the registrations naming this folder.
installed() {
  local windir=$1 root=$2 dir f i listed differ="" unlisted=""
  dir=$(unix_path "$windir")
  listed=$(iconv -f UTF-16LE -t UTF-8 "$dir/Uninstall.lst" 2>/dev/null | tr -d '\r\357\273\277')
  for i in "${!files[@]}"; do
    f=${files[$i]}
    cmp -s "${sources[$i]}" "$dir/$f" || differ+=" $f"
    grep -qxF "${f//\//\\}" <<<"$listed" || unlisted+=" $f"
  done
  check "${#files[@]} files in $windir, each the one built${differ:+ (not:$differ)}" test -z "$differ"
  check "each listed in Uninstall.lst${unlisted:+ (not:$unlisted)}" test -z "$unlisted"
  check "Uninstall.exe" test -f "$dir/Uninstall.exe"
  check "recorded folder" test "$(reg_value "$root\\$record" InstallDir)" = "$windir"
  check "uninstall entry names the folder" test "$(reg_value "$root\\$entry" InstallLocation)" = "$windir"
  check "QuietUninstallString waits (_?=)" \
    test "$(reg_value "$root\\$entry" QuietUninstallString)" = "\"$windir\\Uninstall.exe\" /S _?=$windir"
  [ -n "$faultnote" ] && check "\"Install Path\" ($root)" \
    test "$(reg_value "$root\\$settings" "Install Path")" = "$windir\\$faultnote"
  check "both VelmoraGUI builds registered from this folder" test "$(typelib_of "$root" win64)|$(typelib_of "$root" win32)" \
    = "$windir\\VelmoraGUI.ocx|$windir\\x86\\VelmoraGUI.ocx"
  # Wine keeps one HKCU\Software\Classes\CLSID for both views: the 32-bit registration, made last, wins there.
  [ "$root" = HKLM ] && check "64-bit view: the classes name this folder's server" \
    test "$(registered_to "$root" 64)" = "$windir\\VelmoraGUI.ocx"
  check "32-bit view: the classes name this folder's 32-bit server" \
    test "$(registered_to "$root" 32)" = "$windir\\x86\\VelmoraGUI.ocx"
}

# removed WINDOWS_FOLDER ROOT: nothing installed, registered or recorded is left.
removed() {
  local dir f left=0
  dir=$(unix_path "$1")
  for f in "${files[@]}" Uninstall.lst; do [ -e "$dir/$f" ] && { fail "$f removed"; left=1; }; done
  [ $left -eq 0 ] && echo "ok: every installed file removed from $1"
  check "uninstall entry removed" no_key "$2\\$entry"
  check "record removed" no_key "$2\\$record"
  check "\"Install Path\" removed" test -z "$(reg_value "$2\\$settings" "Install Path")"
  check "VelmoraGUI unregistered ($2, both views)" \
    test -z "$(registered_to "$2" 64)$(registered_to "$2" 32)$(typelib_of "$2" win64)$(typelib_of "$2" win32)"
}

default_win='C:\Program Files\Velmora Software\Nivex'
default_dir=$(unix_path "$default_win")
other_win='C:\Tools and More\Nivex'
# Changes a program of the installation so that a replacement shows (the appended bytes do not hurt it).
age() { local f; for f in "$@"; do echo "older version" >>"$default_dir/$f"; done; }

echo "== silent installation into the default folder"
run 0 "$setup"
installed "$default_win" HKLM
check "the log lists the files and the registrations" \
  logged "Installed $default_win\\nivex.exe" "Registering the 64-bit VelmoraGUI.ocx: done" "Registering the 32-bit VelmoraGUI.ocx: done"
check "the entry is in the 64-bit view only" no_key "HKLM\\$entry" /reg:32
check "shortcuts" test -f "$menu/Nivex.lnk" -a -f "$menu/Faultnote.lnk" -a \( -z "$help" -o -f "$menu/Nivex Help.lnk" \)
out=$(wine64 "$default_dir/nivexcmd.exe" --version | tr -d '\r')
check "the installed nivexcmd runs: $out" test "$out" = "nivexcmd $version"
check "the catalogue lists both controls (64-bit view)" has_both_controls "$(listed "$default_dir/nivexcmd.exe")"
check "the catalogue lists both controls (32-bit view)" has_both_controls "$(listed "$default_dir/x86/nivexcmd.exe")"

echo "== upgrade in place$([ $have_display -eq 1 ] && echo ", Nivex running")"
# An older version shipped templates\dropped.tpl; mine.tpl is the user's.
printf 'templates\\dropped.tpl\r\n' | iconv -f UTF-8 -t UTF-16LE >>"$default_dir/Uninstall.lst"
echo old >"$default_dir/templates/dropped.tpl"
echo mine >"$default_dir/templates/mine.tpl"
age nivex.exe VelmoraGUI.ocx
[ $have_display -eq 1 ] && start "$default_dir/nivex.exe" "Velmora Control Manager"
run 0 "$setup"
installed "$default_win" HKLM
check "a file the version no longer ships is removed" test ! -e "$default_dir/templates/dropped.tpl"
check "the user's file stays" test -f "$default_dir/templates/mine.tpl"

if [ $have_display -eq 1 ]; then
  echo "== Faultnote running: setup and uninstall refuse, changing nothing"
  start "$default_dir/$faultnote" "Velmora Bug Report Wizard"
  age nivex.exe
  run 4 "$setup"
  check "the log names the running program" logged "$faultnote is still running"
  check "nothing was replaced" grep -q "older version" "$default_dir/nivex.exe"
  uninstall_quietly 4 HKLM
  check "the uninstaller removed nothing" test -f "$default_dir/nivex.exe" -a -n "$(registered_to HKLM 64)"
  driver close "Velmora Bug Report Wizard"

  echo "== a file in use by another program: replaced at the next start"
  driver hold "$default_win\\VelmoraGUI.ocx" 'C:\held' &
  holder=$!
  for _ in $(seq 100); do [ -f "$WINEPREFIX/drive_c/held" ] && break; sleep 0.1; done
  age VelmoraGUI.ocx
  run 3010 "$setup"
  check "the log says so" logged "In use, replaced at the next start: $default_win\\VelmoraGUI.ocx"
  check "the rest is replaced now" cmp -s "$build/bin/nivex.exe" "$default_dir/nivex.exe"
  rm -f "$WINEPREFIX/drive_c/held"
  wait "$holder"
  settle
  wine64 wineboot -r
  settle
  check "after the restart the new VelmoraGUI.ocx is in place" cmp -s "$build/bin/VelmoraGUI.ocx" "$default_dir/VelmoraGUI.ocx"
  start "$default_dir/nivex.exe" "Velmora Control Manager"
fi

echo "== silent uninstall$([ $have_display -eq 1 ] && echo " while Nivex runs"): waits and says how it went"
reg64 add 'HKCU\Software\Velmora Control Manager\Options' /v PlaySounds /d 0 /f >/dev/null
backups="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Velmora Software/Nivex/Backups"
mkdir -p "$backups" && echo "REGEDIT4" >"$backups/2026-01-01 000000 {backup}.reg"
uninstall_quietly 0 HKLM
removed "$default_win" HKLM
check "shortcuts removed" test ! -e "$menu"
settle
check "then Uninstall.exe goes; the folder stays for the user's file" \
  test ! -e "$default_dir/Uninstall.exe" -a -f "$default_dir/templates/mine.tpl"
check "the user's settings and registry backups are kept" \
  test "$(reg_value 'HKCU\Software\Velmora Control Manager\Options' PlaySounds)" = "0" -a -f "$backups/2026-01-01 000000 {backup}.reg"
rm -rf "$WINEPREFIX/drive_c/Program Files/Velmora Software"

echo "== a move by /D=, and the old folder's uninstaller afterwards"
run 0 "$setup"
cp "$default_dir/Uninstall.exe" "$default_dir/Uninstall.lst" "$work/"
# /D= is the rest of the command line, unquoted, spaces included (Wine would quote one argument holding
# spaces, so the words go as separate arguments).
run 0 "$setup" '/D=C:\Tools' and 'More\Nivex'
check "the old installation was removed first" test ! -e "$WINEPREFIX/drive_c/Program Files/Velmora Software"
installed "$other_win" HKLM
mkdir -p "$default_dir" && cp "$work/Uninstall.exe" "$work/Uninstall.lst" "$default_dir/"
run 0 "$default_dir/Uninstall.exe" '_?=C:\Program' 'Files\Velmora' 'Software\Nivex'
installed "$other_win" HKLM
check "the shortcuts stay" test -f "$menu/Nivex.lnk"
rm -rf "$WINEPREFIX/drive_c/Program Files/Velmora Software"

echo "== unusable /D= folders are refused"
for folder in 'Nivex' 'R:\Nivex' 'C:\windows\win.ini\Nivex' 'C:\a|b'; do
  run 2 "$setup" "/D=$folder"
  check "the log says why" logged "Cannot install into $folder"
done
check "and the installation stays where it was" test "$(reg_value "HKLM\\$record" InstallDir)" = "$other_win"

echo "== per-user installation (/CurrentUser)"
user_win="C:\\users\\$(id -un)\\AppData\\Local\\Programs\\Velmora Software\\Nivex"
run 0 "$setup" /CurrentUser
installed "$user_win" HKCU
check "the user's entry only" test "$(reg_value "HKLM\\$entry" InstallLocation)" = "$other_win"
check "the machine's registration is untouched" test "$(registered_to HKLM 64)" = "$other_win\\VelmoraGUI.ocx"
check "shortcuts in the user's Start menu" \
  test -f "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Velmora Software/Nivex.lnk"
uninstall_quietly 0 HKCU
removed "$user_win" HKCU
installed "$other_win" HKLM

# The wizard upgrades the installation while its Nivex runs (Retry once it is closed), starts Nivex from
# Finish; then the uninstall wizard. Screenshots of each page; the buttons are pressed by page_driver.exe.
interactive_round() {
  local shots=$NIVEX_SCREENSHOTS other_dir
  local setup_title="Nivex $version Setup" remove_title="Nivex $version Uninstall"
  other_dir=$(unix_path "$other_win")
  mkdir -p "$shots"
  rm -f "$shots"/installer-*.png
  # Without a window manager Wine draws the frames itself, so that the pictures show title bars.
  reg64 add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
  page() { driver page "$1" "$2" || fail "page \"$2\" of $1"; }
  press() { driver click "$@" || fail "button $2 of $1"; }
  shot() {
    sleep 1
    import -display "$DISPLAY" -window root "$shots/installer-$1.png" 2>>"$work/wine.log" &&
      convert "$shots/installer-$1.png" -trim +repage "$shots/installer-$1.png" 2>>"$work/wine.log" || fail "screenshot $1"
  }

  echo "== the wizard over the installation in $other_win, its Nivex running (screenshots in $shots)"
  start "$other_dir/nivex.exe" "Velmora Control Manager"
  wine64 "$setup" &
  local setup_pid=$!
  page "$setup_title" "Please review the license terms"
  shot 1-licence
  press "$setup_title" 1
  page "$setup_title" "will be upgraded there"
  shot 2-folder-upgrade
  press "$setup_title" 1
  page "$setup_title" "is running"
  shot 3-running
  driver close "Velmora Control Manager"
  sleep 2
  press "$setup_title" 4
  page "$setup_title" "Completed"
  shot 4-progress
  press "$setup_title" 1
  page "$setup_title" "Start Nivex"
  check "the finish page offers to start Nivex, ticked" driver check "$setup_title" "Start Nivex"
  shot 5-finish
  press "$setup_title" 1
  wait "$setup_pid"
  check "Finish started the installed Nivex" driver wait "Velmora Control Manager"
  shot 6-nivex-started
  installed "$other_win" HKLM

  echo "== the uninstall wizard, Nivex still running"
  wine64 "$other_dir/Uninstall.exe" &
  page "$remove_title" "will be uninstalled from the following folder"
  shot 7-uninstall-confirm
  press "$remove_title" 1
  page "$remove_title" "is running"
  driver close "Velmora Control Manager"
  sleep 2
  press "$remove_title" 4
  page "$remove_title" "Completed"
  shot 8-uninstall-progress
  press "$remove_title" 1
  page "$remove_title" "registry backups"
  shot 9-uninstall-finish
  press "$remove_title" 1
  timeout 120 "$NIVEX_WINESERVER" -w || "$NIVEX_WINESERVER" -k
}
if [ $have_display -eq 1 ] && command -v import >/dev/null; then
  interactive_round
else
  echo "no display or page driver: the interactive round is left out"
  uninstall_quietly 0 HKLM
fi
removed "$other_win" HKLM
check "the catalogue lists no VelmoraGUI" test -z "$(listed "$build/bin/nivexcmd.exe")$(listed "$nivexcmd86")"
settle
check "no folder is left" test ! -e "$(unix_path "$other_win")"

"$NIVEX_WINESERVER" -k 2>/dev/null || true
if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed; Wine's messages: $work/wine.log"
  exit 1
fi
echo "all installer checks passed"
