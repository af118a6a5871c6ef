#!/usr/bin/env bash
# The setup end to end in a fresh Wine prefix of its own: builds nivex-setup.exe, installs silently into
# the default folder, checks the files, the registrations, "Install Path", the shortcuts and the
# uninstall entry, runs the installed nivexcmd, uninstalls silently and checks that nothing installed is
# left; then once more into a folder given with /D=, where a file of the user's survives the uninstaller;
# then, with a display, once more through the wizard's pages, with screenshots.
# Usage: installer_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source_dir=$2
work=$build/installer-test
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }

echo "== building the setup"
cmake --build "$build" --target installer >"$work.build.log" 2>&1 || { cat "$work.build.log"; echo "FAIL: the installer target"; exit 1; }
setup=$build/installer/nivex-setup.exe
[ -f "$setup" ] || { echo "FAIL: $setup was not built"; exit 1; }
version=$(sed -n 's/^!define NIVEX_VERSION "\(.*\)"$/\1/p' "$build/installer/defines.nsh")
velmoragui=$(sed -n 's/^!define NIVEX_VELMORAGUI_X64 "\(.*\)"$/\1/p' "$build/installer/defines.nsh")
velmoragui86=$(sed -n 's/^!define NIVEX_VELMORAGUI_X86 "\(.*\)"$/\1/p' "$build/installer/defines.nsh")
faultnote=$(sed -n 's/^!define NIVEX_FAULTNOTE_X64 "\(.*\)"$/\1/p' "$build/installer/defines.nsh")
help=$(sed -n 's/^!define NIVEX_HELP_X64 "\(.*\)"$/\1/p' "$build/installer/defines.nsh")
# What the setup places: the generated list of the x64 files (the prefix is 64-bit).
mapfile -t files < <(cut -f1 "$build/installer/files_x64.txt")
mapfile -t sources < <(cut -f2 "$build/installer/files_x64.txt")
[ ${#files[@]} -gt 0 ] || { echo "FAIL: no file list"; exit 1; }

rm -rf "$work"
mkdir -p "$work"
# shellcheck source=../../scripts/wine-env.sh
source "$source_dir/scripts/wine-env.sh" "$work/prefix"
nivex_wine_prefix_ready
# Keeps Wine's own service processes from holding this script's output open.
"$NIVEX_WINE64" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true

wine64() { "$NIVEX_WINE64" "$@" </dev/null 2>>"$work/wine.log"; }
reg64() { wine64 'C:\windows\system32\reg.exe' "$@"; }
# One value of a key in the 64-bit view (/reg:32 as a further argument reads the 32-bit view).
reg_value() { reg64 query "$1" /v "$2" "${@:3}" | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
no_key() { ! reg64 query "$@" >/dev/null 2>&1; }
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
has_both_controls() { grep -q "Bevel" <<<"$1" && grep -q "EtchedLine" <<<"$1"; }

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Nivex'
settings_key='HKCU\Software\Velmora Software\Bug Report Wizard'
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Velmora Software"

# install WINDOWS_FOLDER [/D=...]: runs the setup silently, checks everything it should have done.
install_and_check() {
  local windir=$1 dir=$2
  shift 2
  echo "== silent install into $windir"
  wine64 "$setup" /S "$@"
  local code=$?
  check "the setup ends with 0 (was $code)" test "$code" -eq 0
  "$NIVEX_WINESERVER" -w
  local f missing=0
  for f in "${files[@]}" Uninstall.exe; do
    [ -f "$dir/$f" ] || { fail "installed $f"; missing=1; }
  done
  local i
  for i in "${!files[@]}"; do
    f=${files[$i]}
    [ -f "$dir/$f" ] && ! cmp -s "${sources[$i]}" "$dir/$f" && { fail "$f is the built one"; missing=1; }
  done
  [ $missing -eq 0 ] && echo "ok: ${#files[@]} files and Uninstall.exe, each the one built"

  check "uninstall entry: DisplayName" test "$(reg_value "$uninstall_key" DisplayName)" = "Nivex"
  check "uninstall entry: Publisher" test "$(reg_value "$uninstall_key" Publisher)" = "Velmora Software"
  check "uninstall entry: DisplayVersion $version" test "$(reg_value "$uninstall_key" DisplayVersion)" = "$version"
  check "uninstall entry: DisplayIcon" test "$(reg_value "$uninstall_key" DisplayIcon)" = "$windir\\nivex.exe,0"
  check "uninstall entry: UninstallString" test "$(reg_value "$uninstall_key" UninstallString)" = "\"$windir\\Uninstall.exe\""
  check "uninstall entry: QuietUninstallString" \
    test "$(reg_value "$uninstall_key" QuietUninstallString)" = "\"$windir\\Uninstall.exe\" /S"
  local size
  size=$(reg_value "$uninstall_key" EstimatedSize)
  local expected_kb=$(( $(du -sk --apparent-size "$dir" | cut -f1) ))
  check "uninstall entry: EstimatedSize $((size)) KB near the folder's $expected_kb KB" \
    test $((size)) -gt $((expected_kb / 2)) -a $((size)) -le $((expected_kb * 2))
  check "the entry is in the 64-bit view only" no_key "$uninstall_key" /reg:32

  if [ -n "$faultnote" ]; then
    check "\"Install Path\" names the installed Faultnote" \
      test "$(reg_value "$settings_key" "Install Path")" = "$windir\\$faultnote"
    check "Faultnote shortcut" test -f "$menu/Faultnote.lnk"
  else
    check "no \"Install Path\" without Faultnote" test -z "$(reg_value "$settings_key" "Install Path")"
  fi
  check "Nivex shortcut" test -f "$menu/Nivex.lnk"
  [ -n "$help" ] && check "help shortcut" test -f "$menu/Nivex Help.lnk"

  local out
  out=$(wine64 "$dir/nivexcmd.exe" --version | tr -d '\r')
  check "the installed nivexcmd runs: $out" test "$out" = "nivexcmd $version"
  local listed listed32
  listed=$(wine64 "$dir/nivexcmd.exe" list --json | velmoragui_listed)
  listed32=$("$NIVEX_WINE64" "$build/../windows-x86/bin/nivexcmd.exe" list --json </dev/null 2>>"$work/wine.log" | velmoragui_listed)
  if [ -n "$velmoragui" ]; then
    check "64-bit view: $listed" has_both_controls "$listed"
    check "32-bit view (x86 nivexcmd): $listed32" has_both_controls "$listed32"
    check "the 32-bit server is installed" test -f "$dir/x86/$velmoragui86"
  else
    check "no VelmoraGUI in this build, none registered" test -z "$listed"
  fi
}

# uninstall_and_check WINDOWS_FOLDER UNIX_FOLDER: the silent uninstaller, and what it must leave behind.
uninstall_and_check() {
  local windir=$1 dir=$2
  echo "== silent uninstall from $windir"
  # The uninstaller copies itself to the temporary folder and runs from there: wait for all of the prefix.
  wine64 "$dir/Uninstall.exe" /S
  "$NIVEX_WINESERVER" -w
  local f left=0
  for f in "${files[@]}" Uninstall.exe "x86/$velmoragui86"; do
    [ -e "$dir/$f" ] && { fail "$f removed"; left=1; }
  done
  [ $left -eq 0 ] && echo "ok: every installed file removed"
  check "uninstall entry removed" no_key "$uninstall_key"
  check "shortcuts removed" test ! -e "$menu"
  check "\"Install Path\" removed" test -z "$(reg_value "$settings_key" "Install Path")"
  local listed
  listed=$(wine64 "$build/bin/nivexcmd.exe" list --json | velmoragui_listed)
  check "VelmoraGUI no longer registered (64-bit view)" test -z "$listed"
  listed=$("$NIVEX_WINE64" "$build/../windows-x86/bin/nivexcmd.exe" list --json </dev/null 2>>"$work/wine.log" | velmoragui_listed)
  check "VelmoraGUI no longer registered (32-bit view)" test -z "$listed"
}

default_dir="$WINEPREFIX/drive_c/Program Files/Velmora Software/Nivex"
install_and_check 'C:\Program Files\Velmora Software\Nivex' "$default_dir"
# Settings of the user's own and Nivex's registry backups are kept by the uninstaller.
reg64 add 'HKCU\Software\Velmora Control Manager\Options' /v PlaySounds /d 0 /f >/dev/null
backups="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Velmora Software/Nivex/Backups"
mkdir -p "$backups" && echo "REGEDIT4" >"$backups/2026-01-01 000000 {backup}.reg"
uninstall_and_check 'C:\Program Files\Velmora Software\Nivex' "$default_dir"
check "the installation folder and the publisher's folder are gone" test ! -e "$WINEPREFIX/drive_c/Program Files/Velmora Software"
check "the user's settings are kept" test "$(reg_value 'HKCU\Software\Velmora Control Manager\Options' PlaySounds)" = "0"
check "the registry backups are kept" test -f "$backups/2026-01-01 000000 {backup}.reg"

# /D= names the folder: the rest of the command line, unquoted, spaces included (Wine would quote one
# argument holding spaces, so the words go as separate arguments).
other_dir="$WINEPREFIX/drive_c/Tools and More/Nivex"
install_and_check 'C:\Tools and More\Nivex' "$other_dir" '/D=C:\Tools' and 'More\Nivex'
echo "my notes" >"$other_dir/templates/mine.tpl"
uninstall_and_check 'C:\Tools and More\Nivex' "$other_dir"
check "a file of the user's stays, with its folders" test -f "$other_dir/templates/mine.tpl"

# The same through the wizard's pages, as a person clicks them, with a screenshot of each page. Needs an
# X server; the buttons are pressed by page_driver.exe.
interactive_round() {
  local driver=$NIVEX_PAGE_DRIVER shots=$NIVEX_SCREENSHOTS
  local setup_title="Nivex $version Setup" remove_title="Nivex $version Uninstall"
  mkdir -p "$shots"
  rm -f "$shots"/installer-*.png
  # Without a window manager Wine draws the frames itself, so that the pictures show title bars.
  reg64 add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
  page() { wine64 "$driver" page "$1" "$2" || fail "page \"$2\" of $1"; }
  press() { wine64 "$driver" click "$1" "$2" || fail "button $2 of $1"; }
  shot() {
    sleep 1
    import -display "$DISPLAY" -window root "$shots/installer-$1.png" 2>>"$work/wine.log" &&
      convert "$shots/installer-$1.png" -trim +repage "$shots/installer-$1.png" 2>>"$work/wine.log" || fail "screenshot $1"
  }

  echo "== interactive install (screenshots in $shots)"
  wine64 "$setup" &
  local setup_pid=$!
  page "$setup_title" "Please review the license terms"
  shot 1-licence
  press "$setup_title" 1
  page "$setup_title" "Destination Folder"
  shot 2-folder
  press "$setup_title" 1
  page "$setup_title" "Completed"
  shot 3-progress
  press "$setup_title" 1
  page "$setup_title" "Start Nivex"
  check "the finish page offers to start Nivex, ticked" wine64 "$driver" check "$setup_title" "Start Nivex"
  shot 4-finish
  press "$setup_title" 1
  wait "$setup_pid"
  check "Finish started the installed Nivex" wine64 "$driver" wait "Velmora Control Manager"
  shot 5-nivex-started
  # Nivex may keep running in the notification area when its window closes: end it before uninstalling.
  wine64 "$driver" close "Velmora Control Manager"
  sleep 2
  wine64 taskkill /f /im nivex.exe >/dev/null 2>&1
  local f missing=0
  for f in "${files[@]}" Uninstall.exe; do [ -f "$default_dir/$f" ] || missing=1; done
  check "the wizard installed every file into the default folder" test $missing -eq 0
  check "the wizard made the uninstall entry" test "$(reg_value "$uninstall_key" DisplayName)" = "Nivex"

  echo "== interactive uninstall"
  wine64 "$default_dir/Uninstall.exe" &
  page "$remove_title" "will be uninstalled from the following folder"
  shot 6-uninstall-confirm
  press "$remove_title" 1
  page "$remove_title" "Completed"
  shot 7-uninstall-progress
  press "$remove_title" 1
  page "$remove_title" "registry backups"
  shot 8-uninstall-finish
  press "$remove_title" 1
  timeout 120 "$NIVEX_WINESERVER" -w || "$NIVEX_WINESERVER" -k
  local left=0
  for f in "${files[@]}" Uninstall.exe; do [ -e "$default_dir/$f" ] && left=1; done
  check "the wizard removed every installed file" test $left -eq 0
  check "the wizard removed the uninstall entry" no_key "$uninstall_key"
}
if [ -n "${DISPLAY:-}" ] && [ -n "${NIVEX_PAGE_DRIVER:-}" ] && [ -f "${NIVEX_PAGE_DRIVER:-}" ] && command -v import >/dev/null; then
  interactive_round
else
  echo "no display or page driver: the interactive round is left out"
fi

"$NIVEX_WINESERVER" -k 2>/dev/null || true
if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed; Wine's messages: $work/wine.log"
  exit 1
fi
echo "all installer checks passed"
