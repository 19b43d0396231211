#!/usr/bin/env bash
# Registers the library with regsvr32 and drives it from JScript and VBScript in Wine's
# script host, then unregisters and registers it again; and checks that a test program
# refuses a prefix not made to be thrown away, as this suite does, and the demo a folder not
# its own. Arguments: the built Corkbase2.dll and a test program.
set -u
shopt -s extglob
here=$(cd "$(dirname "$0")" && pwd)
wine_run="$here/../../scripts/lib/wine-run"
source "$here/../support/checks.sh"

# Registering, unregistering and the scripts' notes must never reach a person's prefix:
# only the one the test session marked to be thrown away.
if [[ -z ${WINEPREFIX:-} || ! -f $WINEPREFIX/drive_c/quillpost-throwaway-prefix ]]; then
  echo "Refusing to run: the Wine prefix ${WINEPREFIX:-~/.wine} was not made to be thrown away. Run ./scripts/test." >&2
  exit 2
fi
dll=$(winepath -w "$1")

# step NAME EXIT-STATUS EXPECTED-OUTPUT-PATTERN PROGRAM ARGS...
step() {
  local name=$1 status=$2 expect=$3
  shift 3
  local out rc
  # The exit status is the program's, not the last filter's.
  out=$(QP_WINE_TIMEOUT=120 "$wine_run" "$@")
  rc=$?
  out=$(iconv -f CP437 -t UTF-8 <<<"$out" | tr -d '\r')
  # shellcheck disable=SC2053 # the expected output is a pattern
  check "$name" eval '[[ $rc -eq $status && $out == $expect ]]' || echo "$out (exit $rc)" | sed 's/^/     /'
}

script() { step "$1" 0 "*$2*" cscript //nologo "$(winepath -w "$here/$1")"; }

step "regsvr32" 0 "*" regsvr32 /s "$dll"
script notes.js "jscript ok"
script notes.vbs "vbscript ok"
# The notes' store of this throwaway prefix, started empty and left so.
clear_store() { QP_WINE_TIMEOUT=60 "$wine_run" reg delete 'HKCU\Software\Corkbase' /f >/dev/null 2>&1; }
clear_store
script load-failed.js "load failed ok"
clear_store
step "regsvr32 /u" 0 "*" regsvr32 /u /s "$dll"
script activation-gone.js "unregistered ok"
step "regsvr32 again" 0 "*" regsvr32 /s "$dll"

# The notes on the screen: reached while qpost runs, kept at its exit, and started by a
# script's creation. The store is this throwaway prefix's own. Wine 8's COM service keeps
# the class of a qpost ended by force (as tests end some) registered and answers every
# later creation with an error, so the session's Wine starts afresh first.
source "$here/../../scripts/lib/wine-session.sh"
qp_start_wine "$WINEPREFIX" || { echo "FAIL Wine did not start again in $WINEPREFIX"; exit 1; }
qpost=$(dirname "$1")/qpost.exe
end_qpost() {
  timeout 60 wine taskkill /IM qpost.exe >/dev/null 2>&1
  check "qpost ends when asked" eval 'timeout 30 bash -c "while wine tasklist 2>/dev/null | grep -qi qpost.exe; do sleep 1; done"'
}
timeout 30 wine reg delete 'HKCU\Software\Corkbase' /f >/dev/null 2>&1
QP_WINE_TIMEOUT=300 "$wine_run" "$qpost" >/dev/null &
script live.vbs "vbscript live ok"
script live.js "jscript live ok"
end_qpost
wait
step "qpost keeps the scripts' notes at its exit" 0 "*notes*REG_SZ*2*" reg query 'HKCU\Software\Corkbase\General' /v notes
script live-start.js "started ok"
end_qpost

# A person's prefix has no marker: a test program must not clear their notes there, and
# says so in one line.
marker="$WINEPREFIX/drive_c/quillpost-throwaway-prefix"
mv "$marker" "$marker.away"
nl=$'\n'
step "a test program refuses an unmarked prefix" 2 "Refusing to run: +([^$nl])" "$2"
refusal=$(bash "$here/run-scripts.sh" "$1" "$2" 2>&1)
rc=$?
check "this suite refuses an unmarked prefix" eval '[[ $rc -eq 2 && $refusal == "Refusing to run: "+([^$nl]) ]]' ||
  echo "$refusal (exit $rc)" | sed 's/^/     /'
mv "$marker.away" "$marker"

# The demo is given a folder that is not its own: it refuses before touching anything.
given=$(mktemp -d)
echo "a person's file" >"$given/letter.txt"
check "the demo refuses a folder holding a file and keeps the file" eval \
  '! "$here/../../scripts/demo" "$given" 2>"$given.err" && grep -q "holds files the demo did not make" "$given.err" &&
   [[ $(ls -A "$given") == letter.txt && $(cat "$given/letter.txt") == "a person'"'"'s file" ]]'
rm -f "$given/letter.txt" "$given.err"
rmdir "$given"

finish
