#!/usr/bin/env bash
# Registers the library with regsvr32 and drives it from JScript and VBScript in Wine's
# script host, then unregisters and registers it again. Argument: the built Corkbase2.dll.
set -u
here=$(cd "$(dirname "$0")" && pwd)
wine_run="$here/../../scripts/lib/wine-run"
dll=$(winepath -w "$1")
passed=0
failed=0

step() {
  local name=$1 expect=$2
  shift 2
  local out rc
  out=$(QP_WINE_TIMEOUT=120 "$wine_run" "$@" | iconv -f CP437 -t UTF-8 | tr -d '\r')
  rc=${PIPESTATUS[0]}
  if [[ $rc -eq 0 && $out == *"$expect"* ]]; then
    passed=$((passed + 1))
    echo "ok   $name"
  else
    failed=$((failed + 1))
    echo "FAIL $name (exit $rc)"
    echo "$out" | sed 's/^/     /'
  fi
}

script() { step "$1" "$2" cscript //nologo "$(winepath -w "$here/$1")"; }

step "regsvr32" "" regsvr32 /s "$dll"
script notes.js "jscript ok"
script notes.vbs "vbscript ok"
step "regsvr32 /u" "" regsvr32 /u /s "$dll"
script activation-gone.js "unregistered ok"
step "regsvr32 again" "" regsvr32 /s "$dll"

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
