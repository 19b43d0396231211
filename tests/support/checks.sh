# Sourced by the suites written in bash: named checks, a closing count ctest can read,
# waiting for a condition, and displays of their own.
passed=0
failed=0

# check NAME COMMAND...: the command's success is the check's, and its status.
check() {
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok   $name"
  else
    failed=$((failed + 1))
    echo "FAIL $name"
    return 1
  fi
}

not() { ! "$@"; }

# Polls the command for up to 30 s; its last answer is the result.
wait_until() {
  local i
  for i in $(seq 150); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}

# A display of its own: Xvfb on the first free number from :120, in $DISPLAY. Its pid
# joins the array pids, whose processes the suite ends when it finishes. (Needs
# wine-session.sh.)
pids=()
new_display() {
  qp_start_x_server 120 Xvfb -screen 0 1024x768x24 || return 1
  pids+=("$_qp_x_pid")
  export DISPLAY=":$_qp_x_display"
}

# Whether a Wine program's icon sits in the system tray of the X desktop (icewm's).
docked() { xwininfo -root -tree | sed -n '/"SystemTray"/,/"TrayPane"/p' | grep -q '"explorer.exe"'; }

# Ends the suite with "N passed, N failed" and its exit status.
finish() {
  echo "$passed passed, $failed failed"
  [[ $failed -eq 0 ]]
}
