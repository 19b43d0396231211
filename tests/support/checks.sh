# Sourced by the suites written in bash: named checks, a closing count ctest can read,
# and waiting for a condition.
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

# Ends the suite with "N passed, N failed" and its exit status.
finish() {
  echo "$passed passed, $failed failed"
  [[ $failed -eq 0 ]]
}
