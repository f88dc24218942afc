#!/usr/bin/env bash
# Real counter-mode processes against one working folder: runs started together
# each count once, killed runs leave no temporary files behind, and a FIFO under
# the history's name does not stop a run.
set -euo pipefail
exe=$(readlink -f "$1")
source "$(dirname "$0")/end_to_end_setup.sh"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n"timer"=dword:00000001\n' \
  > "$work/reg/HKEY_CURRENT_USER.reg"
hist="$work/run/TALLYDAT"
count() { od -An -t u4 -j 4 -N 4 "$hist" | tr -d ' '; }

parallel=3 rounds=5
for round in $(seq "$rounds"); do
  pids=()
  for i in $(seq "$parallel"); do
    (cd "$work/run" && timeout 30 "$exe" /C >/dev/null 2>&1) &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || fail "a parallel run did not end by itself"; done
done
expected=$((1 + parallel * rounds))
[ "$(count)" -eq "$expected" ] || fail "count is $(count) after $((parallel * rounds)) runs, expected $expected"

for i in $(seq 25); do
  (cd "$work/run" && exec "$exe" /C >/dev/null 2>&1) &
  pid=$!
  sleep "0.$((RANDOM % 4))$((RANDOM % 10))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
done
(cd "$work/run" && timeout 30 "$exe" /C >/dev/null 2>&1) || fail "the run after the kills did not end"
left=$(find "$work/run" "$work/reg" -name '.vptmp-*' | wc -l)
[ "$left" -eq 0 ] || fail "$left temporary files of killed runs were left behind"
[ "$(stat -c %s "$hist")" -eq 64 ] || fail "the history was torn"

rm "$hist"
mkfifo "$hist"
(cd "$work/run" && timeout 30 "$exe" /C >/dev/null 2>&1) || fail "a FIFO as history stopped the run"
[ -p "$hist" ] || fail "the FIFO was replaced"
echo "counter mode concurrency end to end: ok ($((parallel * rounds)) parallel runs counted, no temporary files left)"
