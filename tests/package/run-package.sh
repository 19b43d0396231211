#!/usr/bin/env bash
# Builds the packages with scripts/package, then installs, runs and uninstalls Quillpost
# silently in a Wine prefix of its own, checking what each step leaves behind; and runs
# the Debian package's launcher, unpacked into a throwaway folder, on a display with a
# tray (icewm) with a throwaway home.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/support/checks.sh"
source "$root/scripts/lib/wine-session.sh"

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
  WINEPREFIX="$work/home/.local/share/quillpost/wine" timeout 30 wineserver -k >/dev/null 2>&1
  kill "${pids[@]}" 2>/dev/null
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
check "the copy that ran was asked to end" wait_until not qpost_running

setsid wine "$windows_folder\\qpost.exe" </dev/null >/dev/null 2>&1 &
wait_until qpost_running
sleep 3
# The uninstaller copies itself away and returns at once: wait for its work.
timeout 60 wine "$folder/uninstall.exe" /S
check "a silent uninstall removes the program's folder" wait_until not test -e "$folder"
check "and first ends the running qpost" wait_until not qpost_running
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


# The Debian package: what it holds and says, then its launcher at work.
deb="$root/build/dist/quillpost_${version}_amd64.deb"
field() { dpkg-deb -f "$deb" "$1"; }
check "the Debian package is Quillpost's, of the project's version, run by Wine with its fonts" \
  test "$(field Package)" = quillpost -a "$(field Version)" = "$version" -a "$(field Architecture)" = amd64 \
  -a "$(field Depends)" = "wine, wine64, fonts-wine, python3, libx11-6, procps"
check "it holds the programs, the launcher, the entries, the icons, the man page and the copyright" test \
  "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort | tr '\n' ' ')" = "./etc/xdg/autostart/quillpost.desktop \
./usr/bin/quillpost ./usr/lib/quillpost/Corkbase2.dll ./usr/lib/quillpost/launch.sh ./usr/lib/quillpost/qpost.exe \
./usr/lib/quillpost/quillpost ./usr/lib/quillpost/system-tray ./usr/lib/quillpost/wine-session.sh \
./usr/share/applications/quillpost.desktop ./usr/share/doc/quillpost/changelog.gz ./usr/share/doc/quillpost/copyright \
./usr/share/icons/hicolor/16x16/apps/quillpost.png ./usr/share/icons/hicolor/256x256/apps/quillpost.png \
./usr/share/icons/hicolor/32x32/apps/quillpost.png ./usr/share/icons/hicolor/48x48/apps/quillpost.png \
./usr/share/man/man1/quillpost.1.gz "
lintian_says=$(lintian "$deb" 2>/dev/null)
check "lintian finds nothing to say" test -z "$lintian_says" || echo "$lintian_says"
unpacked="$work/deb"
dpkg-deb -x "$deb" "$unpacked"
check "the desktop entry and the login entry are valid" desktop-file-validate \
  "$unpacked/usr/share/applications/quillpost.desktop" "$unpacked/etc/xdg/autostart/quillpost.desktop"
check "the icons are drawn at their sizes" test "$(for s in 16 32 48 256; do
  identify -format '%wx%h ' "$unpacked/usr/share/icons/hicolor/${s}x$s/apps/quillpost.png"; done)" = \
  "16x16 32x32 48x48 256x256 "

home="$work/home"
launcher="$unpacked/usr/bin/quillpost"
check "without a display the launcher says what it needs" \
  eval 'env -u DISPLAY HOME="$home" "$launcher" 2>&1 >/dev/null </dev/null | grep -q "^Quillpost needs a display"'
# The prefix as ./scripts/run leaves it: the library registered from the clone's build.
prefix="$home/.local/share/quillpost/wine"
mkdir -p "$prefix"
WINEPREFIX="$prefix" timeout 300 wineboot -i >/dev/null 2>&1
WINEPREFIX="$prefix" timeout 60 wine regsvr32 /s "$(WINEPREFIX="$prefix" winepath -w "$root/build/bin/Corkbase2.dll")" \
  >/dev/null 2>&1
WINEPREFIX="$prefix" timeout 30 wineserver -k >/dev/null 2>&1
new_display
icewm >/dev/null 2>&1 &
pids+=($!)
setsid env -u XDG_DATA_HOME HOME="$home" "$launcher" </dev/null >/dev/null 2>&1 &
first=$!
qpost_in_home() { [[ -n $(qp_qpost_pids "$prefix") ]]; }
check "the unpacked launcher starts qpost" wait_until qpost_in_home
check "with its icon docked in the tray" wait_until docked
check "and Wine's Marlett in the prefix, which draws the caption buttons" \
  test "$(readlink "$prefix/drive_c/windows/Fonts/marlett.ttf")" = /usr/share/wine/fonts/marlett.ttf
check "with the library registered from the launcher's own folder" test \
  "$(WINEPREFIX="$prefix" value 'HKCU\Software\Classes\CLSID\{5A058ECD-08B1-4E64-B85E-C94182276844}\InprocServer32')" = \
  "$(WINEPREFIX="$prefix" winepath -w "$unpacked/usr/lib/quillpost/Corkbase2.dll")"
timeout 120 env -u XDG_DATA_HOME HOME="$home" "$launcher" </dev/null >/dev/null 2>&1 &
second=$!
message() { xdotool search --onlyvisible --name '^Quillpost$' 2>/dev/null | head -n 1; }
check "a second start shows qpost's message" wait_until eval 'test -n "$(message)"'
# Its OK button, in the middle a little above the bottom.
eval "$(xdotool getwindowgeometry --shell "$(message)")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 22)) click 1
wait "$second"
ended=$?
check "and ends, while the first copy runs on" test $ended -eq 0 -a "$(qp_qpost_pids "$prefix" | wc -l)" -eq 1
kill -TERM "$first"
check "SIGTERM ends qpost and Wine" wait_until eval '! kill -0 "$first" 2>/dev/null && test -z "$(qp_qpost_pids "$prefix")"'

finish
