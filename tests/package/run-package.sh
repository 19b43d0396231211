#!/usr/bin/env bash
# Builds the Windows packages with scripts/package, then installs, runs and uninstalls
# Quillpost silently in a Wine prefix of its own, checking what each step leaves behind.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/support/checks.sh"

"$root/scripts/package" >/dev/null || { echo "FAIL scripts/package"; echo "0 passed, 1 failed"; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$root/build/CMakeCache.txt")
setup="$root/build/dist/Quillpost-$version-x64-setup.exe"
zip="$root/build/dist/Quillpost-$version-x64.zip"
check "the zip holds the program, the library and a read-me" \
  python3 -c 'import sys, zipfile; n = sorted(zipfile.ZipFile(sys.argv[1]).namelist());
sys.exit(n != ["Quillpost/Corkbase2.dll", "Quillpost/README.txt", "Quillpost/qpost.exe"])' "$zip"

work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
cleanup() {
  timeout 30 wineserver -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
timeout 300 wineboot -i >/dev/null 2>&1

reg() { timeout 60 wine reg "$@" 2>/dev/null | tr -d '\r'; }
# The data of one value (the key's default without a name), or nothing when it is missing.
value() {
  if [[ -n ${2:-} ]]; then
    reg query "$1" /v "$2" | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
  else
    reg query "$1" /ve | sed -n "s/^ *(Default) *REG_[A-Z_]* *//p"
  fi
}
has_key() { timeout 60 wine reg query "$1" >/dev/null 2>&1; }
qpost_running() { pgrep -f 'Programs.Quillpost.qpost\.exe' >/dev/null; }

local_app=$(winepath -u "$(timeout 60 wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')")
programs=$(winepath -u "$(timeout 60 wine cmd /c echo %APPDATA% | tr -d '\r')")/Microsoft/Windows/Start\ Menu/Programs
folder="$local_app/Programs/Quillpost"
windows_folder=$(winepath -w "$folder")
uninstall='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillpost'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
notes_class='HKCU\Software\Classes\CLSID\{5A058ECD-08B1-4E64-B85E-C94182276844}\InprocServer32'

timeout 120 wine "$setup" /S
check "a silent install succeeds" test $? -eq 0
check "the program, the library and the uninstaller are installed" \
  test -f "$folder/qpost.exe" -a -f "$folder/Corkbase2.dll" -a -f "$folder/uninstall.exe"
check "a Start-menu shortcut" test -f "$programs/Quillpost.lnk"
check "qpost starts at sign-in" test "$(value "$run_key" Quillpost)" = "\"$windows_folder\\qpost.exe\""
check "the library is registered for this user from its installed path" \
  test "$(value "$notes_class")" = "$windows_folder\\Corkbase2.dll"
check "an entry among the installed programs" test "$(value "$uninstall" DisplayName)" = Quillpost \
  -a "$(value "$uninstall" DisplayVersion)" = "$version" -a "$(value "$uninstall" Publisher)" = Quillpost \
  -a "$(value "$uninstall" DisplayIcon)" = "$windows_folder\\qpost.exe" \
  -a "$(value "$uninstall" InstallLocation)" = "$windows_folder" \
  -a "$(value "$uninstall" UninstallString)" = "\"$windows_folder\\uninstall.exe\"" \
  -a "$(value "$uninstall" QuietUninstallString)" = "\"$windows_folder\\uninstall.exe\" /S" \
  -a -n "$(value "$uninstall" EstimatedSize)"

# A stored note, loaded by qpost started from the installed folder.
reg add 'HKCU\Software\Corkbase\General' /v notes /d 1 /f >/dev/null
reg add 'HKCU\Software\Corkbase\note1' /v title /d kept /f >/dev/null
setsid wine "$windows_folder\\qpost.exe" </dev/null >/dev/null 2>&1 &
check "qpost runs from the installed folder" wait_until qpost_running
sleep 3
check "and keeps running, with nothing to ask" qpost_running

timeout 120 wine "$setup" /S
check "installing over a running copy ends it first and succeeds" test $? -eq 0 -a -f "$folder/qpost.exe"
check "the notes stay" test "$(value 'HKCU\Software\Corkbase\note1' title)" = kept
check "the copy that ran was asked to end" not qpost_running

setsid wine "$windows_folder\\qpost.exe" </dev/null >/dev/null 2>&1 &
wait_until qpost_running
sleep 3
# The uninstaller copies itself away and returns at once: wait for its work.
timeout 60 wine "$folder/uninstall.exe" /S
check "a silent uninstall removes the program's folder" wait_until not test -e "$folder"
check "and first ends the running qpost" not qpost_running
check "the shortcut, the sign-in entry and the installed-programs entry are gone" \
  test ! -e "$programs/Quillpost.lnk" -a -z "$(value "$run_key" Quillpost)" -a -z "$(value "$uninstall" DisplayName)"
check "the library's registration is gone" not has_key "$notes_class"
check "only the notes are left" test "$(value 'HKCU\Software\Corkbase\note1' title)" = kept

timeout 120 wine "$setup" /S
# A qpost that does not end when asked (here: stopped, as a hung one is) keeps everything:
# run in place (_?=) so that the uninstaller's own exit status comes back.
source "$root/scripts/lib/wine-session.sh"
setsid wine "$windows_folder\\qpost.exe" </dev/null >/dev/null 2>&1 &
wait_until qpost_running
sleep 3
held=$(qp_qpost_pids "$WINEPREFIX")
kill -STOP $held
timeout 120 wine "$folder/uninstall.exe" /S /REMOVENOTES "_?=$windows_folder"
check "an uninstall while qpost does not end fails" test $? -ne 0
check "and removes nothing: program, entries and notes stay" test -f "$folder/qpost.exe" \
  -a -n "$(value "$run_key" Quillpost)" -a -n "$(value "$uninstall" DisplayName)" \
  -a "$(value 'HKCU\Software\Corkbase\note1' title)" = kept
kill -CONT $held

timeout 60 wine "$folder/uninstall.exe" /S /REMOVENOTES
wait_until not test -e "$folder"
check "/REMOVENOTES removes the notes too" wait_until not has_key 'HKCU\Software\Corkbase'

finish
