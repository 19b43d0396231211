# Sourced by the scripts that run Windows programs here: a private Xvfb display and a
# Wine prefix of the caller's choosing, with crash dialogs off and one wineserver kept
# alive for the whole session. Never touches ~/.wine.

export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=${WINEDEBUG:--all}

_qp_xvfb_pid=""
_qp_agent_pid=""
_qp_xephyr_pid=""
_qp_icewm_pid=""

# Starts an X server ("$2" "${@:3}") on the first free display number from $1 on: the
# number in _qp_x_display, its pid in _qp_x_pid. Another run may take the same number at
# the same moment: the server whose pid the lock file holds is ours, else the next number.
_qp_x_pid=""
_qp_x_display=""
qp_start_x_server() {
  local n=$1 server=$2
  shift 2
  for _ in $(seq 20); do
    while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]]; do n=$((n + 1)); done
    "$server" ":$n" "$@" -nolisten tcp >/dev/null 2>&1 &
    _qp_x_pid=$!
    for _ in $(seq 100); do
      if [[ -e /tmp/.X11-unix/X$n && $(tr -d ' ' <"/tmp/.X$n-lock" 2>/dev/null) == "$_qp_x_pid" ]]; then
        _qp_x_display=$n
        return 0
      fi
      kill -0 "$_qp_x_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$_qp_x_pid" 2>/dev/null
    wait "$_qp_x_pid" 2>/dev/null
    n=$((n + 1))
  done
  echo "$server did not start on a free display" >&2
  return 1
}

# The pointer agent for $DISPLAY; programs find its folder in QP_POINTER_AGENT.
_qp_start_pointer_agent() {
  export QP_POINTER_AGENT
  QP_POINTER_AGENT=$(mktemp -d /tmp/qp-pointer.XXXXXX)
  "$(dirname "${BASH_SOURCE[0]}")/pointer-agent" "$QP_POINTER_AGENT" </dev/null >/dev/null 2>&1 &
  _qp_agent_pid=$!
}

# Starts Xvfb on the first free display from :90 on and exports DISPLAY.
qp_start_display() {
  qp_start_x_server 90 Xvfb -screen 0 1024x768x24 || return 1
  _qp_xvfb_pid=$_qp_x_pid
  export DISPLAY=":$_qp_x_display"
  _qp_start_pointer_agent
}

# Inside the running display, a desktop of two 1024 x 768 monitors side by side (Xephyr,
# its screens joined by Xinerama, primary on the left) under icewm; exports its DISPLAY and
# QP_POINTER_AGENT. Run Wine on it with qp_start_wine's mode "two-monitors".
qp_start_two_monitors() {
  qp_start_x_server 150 Xephyr -screen 1024x768 -screen 1024x768 +xinerama || return 1
  _qp_xephyr_pid=$_qp_x_pid
  export DISPLAY=":$_qp_x_display"
  icewm >/dev/null 2>&1 &
  _qp_icewm_pid=$!
  _qp_start_pointer_agent
}

# Prepares the prefix in $1 (creating it when missing) and starts its wineserver. With $2
# "desktop" the programs' windows live on the X desktop itself, beside its own windows and
# tray; "two-monitors" the same, with Wine reading the monitors through Xinerama (through
# XRandR it sees one); otherwise ("wine-desktop", the default) inside Wine's desktop window
# with its taskbar.
# Everything Wine starts here runs in a session of its own, so that a terminal that closes
# does not take it down before the caller has ended its programs in order.
qp_start_wine() {
  export WINEPREFIX="$1"
  local mode=${2:-wine-desktop}
  mkdir -p "$WINEPREFIX"
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    timeout 300 wineboot -i >/dev/null 2>&1 || { echo "wineboot could not create the Wine prefix $WINEPREFIX" >&2; return 1; }
    timeout 60 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Quillpost /t REG_SZ /d 1024x768 /f \
      >/dev/null 2>&1
    # A crash must not wait for a debugger that no one will attach.
    timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /t REG_SZ /d false /f >/dev/null 2>&1
    timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Auto /t REG_SZ /d 1 /f >/dev/null 2>&1
    timeout 30 wineserver -k >/dev/null 2>&1 || true
  fi
  if [[ $mode == two-monitors ]]; then
    # Read when Wine's desktop process starts: set before the session's server runs.
    timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d N /f >/dev/null 2>&1
    timeout 30 wineserver -k >/dev/null 2>&1 || true
  fi
  # Debian's Wine 8 never reads the fonts of fonts-wine where that package puts them, and
  # without Marlett every caption button shows a letter ("r") instead of its glyph: Marlett
  # is linked into the prefix's own font folder, where Wine looks.
  local marlett=/usr/share/wine/fonts/marlett.ttf fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [[ -f $marlett && ! -e $fonts/marlett.ttf && ! -L $fonts/marlett.ttf ]]; then
    mkdir -p "$fonts"
    ln -s "$marlett" "$fonts/marlett.ttf"
  fi
  # One persistent server for the whole session, with Wine's services and the desktop
  # started here, detached from the caller's output.
  setsid wineserver -p </dev/null >/dev/null 2>&1
  if [[ $mode != wine-desktop ]]; then
    timeout 60 wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
  else
    # Every window of the prefix lives in one Wine desktop with a taskbar: the tray icon
    # shows there, and hiding a window does not wait for a window manager that is not there.
    timeout 60 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Quillpost /f >/dev/null 2>&1
  fi
  timeout 120 setsid -w wineboot >/dev/null 2>&1 </dev/null
  if [[ $mode == wine-desktop ]]; then
    setsid wine explorer /desktop=Quillpost,1024x768 >/dev/null 2>&1 </dev/null &
  fi
}

# Prints the pids of the qpost processes that run in the Wine prefix $1, one a line.
qp_qpost_pids() {
  local pid want seen
  # The same prefix may be spelled differently (a trailing slash, a link on the way).
  want=$(realpath -m "$1")
  for pid in $(pgrep -f 'qpost\.exe' || true); do
    seen=$({ tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | sed -n 's/^WINEPREFIX=//p' | head -n 1)
    if [[ -n $seen && $(realpath -m "$seen") == "$want" ]]; then echo "$pid"; fi
  done
}

# Marks the prefix in $WINEPREFIX as one to throw away: the test programs, the tour and the
# benchmark clear the notes of their prefix and refuse to run in an unmarked one.
qp_mark_throwaway() {
  touch "$WINEPREFIX/drive_c/quillpost-throwaway-prefix"
}

qp_stop_session() {
  [[ -n ${WINEPREFIX:-} ]] && timeout 30 wineserver -k >/dev/null 2>&1 || true
  if [[ -n $_qp_agent_pid ]]; then
    kill "$_qp_agent_pid" 2>/dev/null || true
    wait "$_qp_agent_pid" 2>/dev/null || true
    rm -rf "$QP_POINTER_AGENT"
  fi
  local pid
  for pid in $_qp_icewm_pid $_qp_xephyr_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [[ -n $_qp_xvfb_pid ]]; then
    kill "$_qp_xvfb_pid" 2>/dev/null || true
    wait "$_qp_xvfb_pid" 2>/dev/null || true
  fi
}
