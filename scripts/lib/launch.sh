# Sourced by the commands that start qpost on a person's display: ./scripts/run, and the
# installed launcher quillpost. On a desktop with a system tray the icon docks there and
# the notes are ordinary windows of the desktop; on a display without one, everything
# runs inside Wine's desktop window, whose taskbar shows the icon. The notes live in a
# Wine prefix of their own, ~/.local/share/quillpost/wine, never ~/.wine, whichever
# command starts qpost.

_qp_launch_lib=$(dirname "${BASH_SOURCE[0]}")
qp_launch_mode=auto

# Reads the command's options (none, --desktop or --wine-desktop) into qp_launch_mode.
qp_launch_options() {
  case "${1:-}" in
    "") ;;
    --desktop) qp_launch_mode=desktop ;;
    --wine-desktop) qp_launch_mode=wine-desktop ;;
    *)
      echo "usage: $0 [--desktop | --wine-desktop]" >&2
      exit 2
      ;;
  esac
}

# Ends the command with a plain message when there is no display to show qpost on.
qp_launch_need_display() {
  if [[ -z ${DISPLAY:-} ]]; then
    echo "Quillpost needs a display: start it from a desktop session, or without one as 'xvfb-run -a $0' (apt-get install xvfb)." >&2
    exit 1
  fi
}

# Runs qpost.exe from the folder $1 until it ends. Started again while qpost runs, it
# leaves the first copy alone (qpost says that another copy is running). SIGINT, SIGTERM
# and SIGHUP end qpost as its Exit does, saving the notes, and only then Wine.
qp_launch() {
  local programs=$1
  source "$_qp_launch_lib/wine-session.sh"
  _qp_prefix="${XDG_DATA_HOME:-$HOME/.local/share}/quillpost/wine"
  local exe
  _qp_lock_prefix
  if [[ -n $(qp_qpost_pids "$_qp_prefix") ]]; then
    _qp_unlock_prefix
    # Inside the running Wine: qpost itself tells the person, and the first copy runs on.
    exe=$(WINEPREFIX="$_qp_prefix" _qp_windows_path "$programs/qpost.exe") || exit 1
    WINEPREFIX="$_qp_prefix" wine "$exe" </dev/null >/dev/null 2>&1
    exit 0
  fi

  local mode=$qp_launch_mode
  if [[ $mode == auto ]]; then
    mode=wine-desktop
    "$_qp_launch_lib/system-tray" >/dev/null 2>&1 && mode=desktop
  fi
  qp_start_wine "$_qp_prefix" "$mode"
  _qp_use_own_library "$programs"

  exe=$(_qp_windows_path "$programs/qpost.exe") || exit 1
  setsid wine "$exe" </dev/null >/dev/null 2>&1 &
  local started=$!
  # Once it shows as a qpost of the prefix, a launch that looks finds it and leaves Wine alone.
  while [[ -z $(qp_qpost_pids "$_qp_prefix") ]] && kill -0 "$started" 2>/dev/null; do
    sleep 0.1
  done
  _qp_unlock_prefix
  trap '_qp_launch_stop; exit 130' INT
  trap '_qp_launch_stop; exit 143' TERM
  trap '_qp_launch_stop; exit 129' HUP
  # A trapped signal interrupts wait; the trap then ends everything.
  while kill -0 "$started" 2>/dev/null; do
    wait "$started" || true
  done
  # qpost ended by itself (Exit): the prefix and its notes stay.
  _qp_end_wine
}

# Two launches at once (the login entry and a click on the menu entry) must not end each
# other's Wine: a launch holds the prefix's lock from its look for a running qpost until
# its own qpost shows, and while it ends the Wine server. A helper process holds the lock,
# so that no program Wine starts inherits it; it lets go when told, or when this shell ends.
_qp_lock_prefix() {
  local answer=""
  mkdir -p "$(dirname "$_qp_prefix")"
  coproc _QP_LOCK { exec flock -o -w 600 "$_qp_prefix.lock" sh -c 'echo held; read -r _'; }
  read -r answer <&"${_QP_LOCK[0]}" || true
  if [[ $answer != held ]]; then
    echo "Quillpost cannot start: another start in $_qp_prefix has not finished within 10 minutes." >&2
    exit 1
  fi
}

_qp_unlock_prefix() {
  local holder=$_QP_LOCK_PID
  echo >&"${_QP_LOCK[1]}"
  wait "$holder" 2>/dev/null || true
}

# Ends the prefix's Wine server, unless a qpost of the prefix runs or is starting.
_qp_end_wine() {
  _qp_lock_prefix
  [[ -n $(qp_qpost_pids "$_qp_prefix") ]] || timeout 30 wineserver -k >/dev/null 2>&1 || true
  _qp_unlock_prefix
}

# The prefix is shared by every copy of Quillpost a person runs (a clone's build, the
# package, the per-user install): a library registered by another copy is registered
# again from the programs' own folder, so that qpost never runs with another version's
# library, nor fails when that copy is gone. A prefix without one is left to qpost, which
# registers it and says so.
_qp_use_own_library() {
  local key='HKCU\Software\Classes\CLSID\{5A058ECD-08B1-4E64-B85E-C94182276844}\InprocServer32'
  local own registered
  own=$(_qp_windows_path "$1/Corkbase2.dll") || exit 1
  registered=$({ timeout 60 wine reg query "$key" /ve 2>/dev/null || true; } | tr -d '\r' |
    sed -n 's/^ *(Default) *REG_SZ *//p')
  if [[ -n $registered && $registered != "$own" ]]; then
    timeout 60 wine regsvr32 /s "$own" >/dev/null 2>&1 || true
  fi
}

# Prints the Windows form of the path $1, or says why there is none and fails.
_qp_windows_path() {
  local path
  if ! path=$(winepath -w "$1" 2>/dev/null) || [[ -z $path ]]; then
    echo "Quillpost cannot start: Wine gives no Windows path for $1 (winepath failed)." >&2
    return 1
  fi
  printf '%s\n' "$path"
}

# Ends qpost as its Exit does (taskkill without /F closes its main window, which saves),
# then Wine. Quiet: after a hang-up nobody reads the terminal.
_qp_launch_stop() {
  trap '' INT TERM HUP
  local pid
  pid=$(qp_qpost_pids "$_qp_prefix" | head -n 1)
  if [[ -n $pid ]]; then
    timeout 20 wine taskkill /IM qpost.exe >/dev/null 2>&1 || true
    for _ in $(seq 300); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  fi
  _qp_end_wine
}
