#!/usr/bin/env bash
# Runs ./scripts/run as a person does, on displays of its own and with notes in a
# throwaway data folder: on a bare display inside Wine's desktop, a second run beside the
# first, a closing terminal right after typing; two launches at once; on a desktop with a
# tray (icewm), the icon docked there, notes as top-level X windows with the level as
# their opacity hint; and ./scripts/install with --remove, in a throwaway home.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/support/checks.sh"
source "$root/scripts/lib/wine-session.sh"

work=$(mktemp -d)
cleanup() {
  for data in "$work"/data-*; do
    WINEPREFIX="$data/quillpost/wine" timeout 30 wineserver -k >/dev/null 2>&1
  done
  kill "${pids[@]}" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Starts ./scripts/run in a session of its own, as a terminal runs it; its pid in $run.
# A background command of a script starts with Ctrl+C's signal ignored, where a terminal's
# foreground command has it: restored before the command starts.
start_run() {
  XDG_DATA_HOME="$1" setsid python3 -c 'import os, signal, sys
signal.signal(signal.SIGINT, signal.SIG_DFL)
os.execv(sys.argv[1], sys.argv[1:])' "$root/scripts/run" >"$work/run.log" 2>&1 </dev/null &
  run=$!
}
prefix_of() { echo "$1/quillpost/wine"; }
# How many qpost processes run in the data folder's prefix.
qpost_count() { qp_qpost_pids "$(prefix_of "$1")" | wc -l; }
qpost_in() { [[ $(qpost_count "$1") -ge 1 ]]; }
second_copy_in() { [[ $(qpost_count "$1") -ge 2 ]]; }
stored() {
  WINEPREFIX="$(prefix_of "$1")" timeout 60 wine reg query "HKCU\\Software\\Corkbase\\$2" /v "$3" 2>/dev/null |
    tr -d '\r' | sed -n "s/^ *$3 *REG_SZ *//p"
}
# A prefix with the library registered and a store, so that qpost starts without a word.
prepare() {
  local data=$1
  shift
  export WINEPREFIX
  WINEPREFIX=$(prefix_of "$data")
  mkdir -p "$WINEPREFIX"
  timeout 300 wineboot -i >/dev/null 2>&1
  timeout 60 wine regsvr32 /s "$(winepath -w "$root/build/bin/Corkbase2.dll")" >/dev/null 2>&1
  while (($#)); do
    timeout 60 wine reg add "HKCU\\Software\\Corkbase\\$1" /v "$2" /d "$3" /f >/dev/null 2>&1
    shift 3
  done
  timeout 30 wineserver -k >/dev/null 2>&1
  unset WINEPREFIX
}
"$root/scripts/build" >/dev/null || { echo "FAIL scripts/build"; echo "0 passed, 1 failed"; exit 1; }

# A bare display: Wine's desktop window, with the icon in its taskbar at the bottom right.
new_display
bare="$work/data-bare"
prepare "$bare"
start_run "$bare"
check "on a bare display qpost runs inside Wine's desktop" wait_until qpost_in "$bare"
sleep 3
xdotool mousemove 1013 757 click --repeat 2 --delay 80 1
sleep 2
xdotool mousemove 60 40 click 1 sleep 0.3 type "typed"

XDG_DATA_HOME="$bare" timeout 60 "$root/scripts/run" >/dev/null 2>&1 </dev/null &
second=$!
wait_until second_copy_in "$bare"
sleep 2
xdotool key Return  # answers qpost's own message in the second copy
wait "$second"
check "a second run shows qpost's message and ends" test $? -eq 0
check "while the first copy runs on" qpost_in "$bare"

# A closing terminal hangs up the whole process group, a moment after the last keys.
xdotool type " and more"
sleep 0.2
kill -HUP -- "-$run"
check "closing the terminal ends qpost and Wine" wait_until not kill -0 "$run" 2>/dev/null
check "after qpost saved what was typed just before" test "$(stored "$bare" note1 text)" = "typed and more"

# Two launches at once, as the login entry and a click on the menu entry start the
# installed command. The first is held inside its start, after its look for a running
# qpost and before its qpost shows: its first winepath waits for the test. The second must
# end no Wine server meanwhile, and then find the first's qpost.
new_display
twice="$work/data-twice"
prepare "$twice" General notes 1 note1 text kept
hold="$work/hold"
mkdir -p "$hold/bin"
export QP_HOLD="$hold" QP_REAL_WINEPATH QP_REAL_WINESERVER
QP_REAL_WINEPATH=$(command -v winepath)
QP_REAL_WINESERVER=$(command -v wineserver)
cat >"$hold/bin/winepath" <<'SHIM'
#!/usr/bin/env bash
if mv "$QP_HOLD/armed" "$QP_HOLD/held" 2>/dev/null; then
  while [[ ! -e $QP_HOLD/go ]]; do sleep 0.1; done
fi
exec "$QP_REAL_WINEPATH" "$@"
SHIM
cat >"$hold/bin/wineserver" <<'SHIM'
#!/usr/bin/env bash
if [[ -e $QP_HOLD/held && ! -e $QP_HOLD/go && " $* " == *" -k "* ]]; then echo "wineserver $*" >>"$QP_HOLD/ended"; fi
exec "$QP_REAL_WINESERVER" "$@"
SHIM
chmod +x "$hold/bin/winepath" "$hold/bin/wineserver"
launch() {
  PATH="$hold/bin:$PATH" XDG_DATA_HOME="$twice" setsid bash -c 'source "$1/scripts/lib/launch.sh"; qp_launch "$1/build/bin"' \
    launch "$root" >/dev/null 2>&1 </dev/null &
}
held() { [[ -e $hold/held ]]; }
# The second launch waits for the lock the first holds: two flock processes on it.
second_waits() { [[ $(pgrep -fc "flock .*$(prefix_of "$twice")\.lock") -ge 2 ]]; }
waited() { second_waits || [[ -e $hold/ended ]]; }
touch "$hold/armed"
launch
first_launch=$!
check "the first launch is held inside its start" eval 'wait_until held || wait_until held'
launch
second=$!
wait_until waited
check "the second launch waits while the first is starting" second_waits
check "and ends no Wine server meanwhile" test ! -e "$hold/ended"
check "nor starts a qpost" test "$(qpost_count "$twice")" -eq 0
touch "$hold/go"
check "the first launch's qpost starts" wait_until qpost_in "$twice"
# A starting Wine process is briefly unreadable in /proc: its pid is asked for until known.
first_pid() { first=$(qp_qpost_pids "$(prefix_of "$twice")" | head -n 1); [[ -n $first ]]; }
wait_until first_pid
check "then the second finds it, and its qpost says that another copy runs" wait_until second_copy_in "$twice"
sleep 2
xdotool key Return
wait "$second"
check "the second launch ends" test $? -eq 0
check "while the first launch's qpost runs on" kill -0 "$first"
kill -TERM -- "-$first_launch"
check "SIGTERM ends the first launch" wait_until not kill -0 "$first_launch" 2>/dev/null

# A desktop with a tray: icewm's taskbar has one.
new_display
icewm >/dev/null 2>&1 &
pids+=($!)
owns_tray() { "$root/scripts/lib/system-tray" >/dev/null 2>&1; }
check "icewm owns the system tray" wait_until owns_tray
desk="$work/data-desktop"
prepare "$desk" General level 128 General notes 1 note1 visible -1 note1 left 3000 note1 top 3000
start_run "$desk"
check "on a desktop with a tray the icon docks into it" wait_until docked
# Note windows: the viewable X windows of qpost of a note's size, 167 by 87 pixels.
notes() {
  local w
  for w in $(xdotool search --class qpost.exe 2>/dev/null); do
    xwininfo -id "$w" | grep -q 'IsViewable' && xwininfo -id "$w" | grep -q -- '-geometry 167x87' && echo "$w"
  done
}
count_notes() { [[ $(notes | wc -l) -eq $1 ]]; }
opacity() { xprop -id "$1" _NET_WM_WINDOW_OPACITY | sed -n 's/.* = //p'; }
all_at_level_128() {
  local w
  for w in $(notes); do [[ $(opacity "$w") == 2155905152 ]] || return 1; done  # 0x80808080
}
all_top_level() {
  local w
  for w in $(notes); do top_level "$w" || return 1; done
}
parent_of() { xwininfo -children -id "$1" | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p'; }
# A window of the X desktop itself: no Wine desktop window holds it, only (at most) the
# frames the window manager puts around it.
top_level() {
  local root w=$1
  root=$(xwininfo -root | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')
  while w=$(parent_of "$w") && [[ -n $w && $w != "$root" ]]; do
    xprop -id "$w" WM_CLASS | grep -q '"explorer.exe"' && return 1
  done
  [[ $w == "$root" ]]
}
check "the stored note is a top-level X window at the stored level" \
  wait_until eval 'count_notes 1 && all_at_level_128 && all_top_level'
icon=$(xwininfo -root -tree | sed -n '/"SystemTray"/,/"TrayPane"/p' | grep '"explorer.exe"' | awk '{print $1}' | head -1)
eval "$(xwininfo -id "$icon" | awk '/Absolute upper-left X/ {print "x=" $4} /Absolute upper-left Y/ {print "y=" $4}')"
xdotool mousemove $((x + 8)) $((y + 8)) click --repeat 2 --delay 80 1
check "a double click on the docked icon gives a new note, a top-level X window" \
  wait_until eval 'count_notes 2 && all_top_level'
xdotool mousemove $((x + 8)) $((y + 8)) click 1
check "and Show All gives it the level too" wait_until eval 'count_notes 2 && all_at_level_128'

kill -INT -- "-$run"
check "Ctrl+C ends qpost and Wine" wait_until not kill -0 "$run" 2>/dev/null
check "after qpost saved both notes" test "$(stored "$desk" General notes)" = 2


# The per-user install, in a throwaway home.
home="$work/home"
installer() { env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" "$root/scripts/install" "$@" </dev/null >/dev/null 2>&1; }
mkdir -p "$home"
installer
check "./scripts/install succeeds" test $? -eq 0
programs="$home/.local/lib/quillpost"
entry="$home/.local/share/applications/quillpost.desktop"
login="$home/.config/autostart/quillpost.desktop"
check "the command runs a copy of the programs, not the clone" \
  test "$(readlink -f "$home/.local/bin/quillpost")" = "$programs/quillpost" -a -f "$programs/qpost.exe" \
  -a -f "$programs/Corkbase2.dll"
check "the copy runs on its own: without a display it says what it needs" \
  eval 'env -u DISPLAY HOME="$home" "$home/.local/bin/quillpost" 2>&1 </dev/null | grep -q "^Quillpost needs a display"'
check "the desktop entry and the login entry are valid and start the installed command" \
  eval 'desktop-file-validate "$entry" "$login" && grep -qxF "Exec=\"$home/.local/bin/quillpost\"" "$entry"'
check "the icon is in the home's hicolor theme" test -f "$home/.local/share/icons/hicolor/48x48/apps/quillpost.png"
echo "Hidden=true" >>"$login"
installer
check "installing again keeps the login entry switched off" grep -qxF "Hidden=true" "$login"
notes="$home/.local/share/quillpost/wine/user.reg"
mkdir -p "$(dirname "$notes")"
echo notes >"$notes"
installer --remove
check "--remove takes away all it installed and keeps the notes" \
  test "$(find "$home" -type f -o -type l)" = "$notes" -a ! -e "$programs"
echo mine >"$home/.local/bin/quillpost"
installer
check "it never replaces a file it did not install" test $? -ne 0 -a "$(cat "$home/.local/bin/quillpost")" = mine \
  -a ! -e "$entry"

finish
