#!/usr/bin/env bash
# The tray suite: on the session's display first, then the tests that need two monitors on
# a desktop of two, with a throwaway Wine prefix of their own (Wine sees the monitors of
# the display its session started on).
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
tray_tests=$1
"$root/scripts/lib/wine-run" "$tray_tests" --gtest_filter='-TwoMonitors.*'
one=$?
(
  source "$root/scripts/lib/wine-session.sh"
  trap qp_stop_session EXIT
  qp_start_two_monitors || exit 1
  prefix="$root/build/test-prefix-monitors"
  rm -rf "$prefix"
  qp_start_wine "$prefix" two-monitors || exit 1
  qp_mark_throwaway
  "$root/scripts/lib/wine-run" "$tray_tests" --gtest_filter='TwoMonitors.*'
)
two=$?
[[ $one -eq 0 && $two -eq 0 ]]
