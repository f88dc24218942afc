#!/usr/bin/env bash
# Runs counter mode twice headless in a fresh working and registry folder and
# checks what a logon leaves behind: the history file and the published values.
set -euo pipefail
exe=$1
source "$(dirname "$0")/end_to_end_setup.sh"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n"timer"=dword:00000001\n' \
  > "$work/reg/HKEY_CURRENT_USER.reg"


for run in 1 2; do
  (cd "$work/run" && timeout 30 "$exe" /C) || fail "run $run did not end by itself"
done

hist="$work/run/TALLYDAT"
[ -f "$hist" ] || fail "no history file"
[ "$(stat -c %s "$hist")" -eq 64 ] || fail "history is not 64 bytes"
field() { od -An -t u4 -j "$1" -N 4 "$hist" | tr -d ' '; }
[ "$(field 4)" -eq 3 ] || fail "count is $(field 4), expected 3"
[ "$(field 12)" -eq 2 ] || fail "day count is $(field 12), expected 2"
[ "$(field 16)" -eq 2 ] || fail "day max is $(field 16), expected 2"

folder=$(dirname "$(readlink -f "$exe")")
reg="$work/reg/HKEY_CURRENT_USER.reg"
grep -qF "\"tallydatexec\"=\"$folder/VPCOUNT.EXE\"" "$reg" || fail "tallydatexec not published"
grep -qF "\"tallydatfile\"=\"$work/run/TALLYDAT\"" "$reg" || fail "tallydatfile does not name the working folder's history"
grep -qF '"timer"=dword:00000001' "$reg" || fail "stored settings were lost"

# The preview shows the greeting and counts nothing.
before=$(md5sum < "$hist")
reg_before=$(md5sum < "$reg")
(cd "$work/run" && timeout 30 "$exe" --preview) || fail "the preview did not end by itself"
[ "$(md5sum < "$hist")" = "$before" ] || fail "the preview changed the history"
[ "$(md5sum < "$reg")" = "$reg_before" ] || fail "the preview changed the settings file"

# Settings mode must never write the history.
before=$(md5sum < "$hist")
(cd "$work/run" && timeout 5 "$exe" >/dev/null 2>&1) || true
[ "$(md5sum < "$hist")" = "$before" ] || fail "settings mode changed the history"
echo "counter mode end to end: ok"
